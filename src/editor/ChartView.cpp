#include "editor/ChartView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/ChartItem.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Sub.h"
#include "toolkit/Drawing.h"
#include "toolkit/WindowServices.h"

namespace {

// A press and a later position within this many pixels count as one point.
constexpr int ClickTolerance = 5;

int ToWorld(double pixel, double zoom, double origin) {
  double world = std::trunc(pixel / zoom + origin);
  return static_cast<int>(std::clamp(world, -double(ChartView::ScrollLimit), double(ChartView::ScrollLimit)));
}

}  // namespace

ChartView::ChartView(ChartViewOwner* owner) : owner(owner) {}

CanvasS* ChartView::Canvas() const { return &sub->canvas; }

int ChartView::WorldX(int px) const { return ToWorld(px, sub->canvas.zoom, sub->canvas.originX); }

int ChartView::WorldY(int py) const { return ToWorld(py, sub->canvas.zoom, sub->canvas.originY); }

bool ChartView::IsClick(int x, int y) const {
  return std::abs(x - pressX) <= ClickTolerance && std::abs(y - pressY) <= ClickTolerance;
}

void ChartView::GetElementAtHelper(CanvasS*, CanvasItemS* entry, void* result, int x, int y) {
  auto* hit = static_cast<ChartItem**>(result);
  if (*hit) return;  // the topmost hit wins
  ChartItem* item = ChartItem::FromCanvas(entry);
  if (item->IsInItem(x, y)) *hit = item;
}

ChartItem* ChartView::GetElementAt(int px, int py) {
  ChartItem* hit = nullptr;
  CanvasForeachItemAt(Canvas(), WorldX(px), WorldY(py), GetElementAtHelper, &hit);
  return hit;
}

void ChartView::SelectOnly(ChartItem* item) {
  sub->selection.clear();
  sub->selection.push_back(item);
}

bool ChartView::ConnectorShape::operator==(const ConnectorShape& other) const {
  if (endItem != other.endItem || endX != other.endX || endY != other.endY || parts.size() != other.parts.size())
    return false;
  for (size_t i = 0; i < parts.size(); i++)
    if (parts[i].direction != other.parts[i].direction || parts[i].moveBy != other.parts[i].moveBy) return false;
  return true;
}

ChartView::ConnectorShape ChartView::ShapeOf(ChartItem* item) {
  auto* connector = dynamic_cast<BlockConnector*>(item);
  if (!connector) return {nullptr, 0, 0, {}};
  return {connector->endItem, connector->endX, connector->endY, connector->parts};
}

void ChartView::OnMouseDown(int x, int y, int) {
  sub->errorItem = nullptr;
  if (insertTool != InsertNone) return;  // the block is placed on release
  pressX = x;
  pressY = y;
  pressedItem = GetElementAt(x, y);
  // Qt keeps sending moves and the release to the widget that got the press,
  // so no explicit mouse capture is needed for the press modes.
  if (!pressedItem) {
    mouseMode = ModeRubberBand;
    return;
  }
  int wx = WorldX(x), wy = WorldY(y);
  if (pressedItem->WantsDrag(wx, wy)) {
    SelectOnly(pressedItem);
    mouseMode = ModeDragItem;
    pressShape = ShapeOf(pressedItem);
    return;
  }
  mouseMode = ModeMoveSelection;
  lastGridX = pressGridX = Snap(wx);
  lastGridY = pressGridY = Snap(wy);
  // Pressing on one of several selected items moves them all.
  if (std::find(sub->selection.begin(), sub->selection.end(), pressedItem) == sub->selection.end())
    SelectOnly(pressedItem);
}

void ChartView::OnMouseMove(int x, int y, int) {
  if (insertTool != InsertNone) {
    Repaint();
    return;
  }
  switch (mouseMode) {
  case ModeDragItem:
    // The selection can have been emptied by the Delete key meanwhile.
    if (!sub->selection.empty()) sub->selection.front()->OnDrag(Snap(WorldX(x)), Snap(WorldY(y)));
    Repaint();
    break;
  case ModeMoveSelection: {
    int gx = Snap(WorldX(x)), gy = Snap(WorldY(y));
    // Arrows move with their blocks.
    for (ChartItem* item : sub->selection)
      if (!item->dependent) item->Move(gx - lastGridX, gy - lastGridY);
    lastGridX = gx;
    lastGridY = gy;
    Repaint();
    break;
  }
  case ModeRubberBand: {
    int dx = x - pressX, dy = y - pressY;
    rubberBandShown = std::abs(dx) > ClickTolerance || std::abs(dy) > ClickTolerance;
    rubberBand = {dx < 1 ? x : pressX, dy < 1 ? y : pressY, std::abs(dx), std::abs(dy)};
    Repaint();
    break;
  }
  default:
    break;
  }
}

void ChartView::SelectionRectHelper(CanvasS*, CanvasItemS* entry, void* userData) {
  auto* view = static_cast<ChartView*>(userData);
  ChartItem* item = ChartItem::FromCanvas(entry);
  const auto& band = view->rubberBand;
  if (item->IsInItem(band.x, band.y, band.w, band.h)) view->sub->selection.push_back(item);
}

void ChartView::OnMouseUp(int x, int y, int keys) {
  if (insertTool == InsertNone)
    OnMouseUpPointer(x, y, keys);
  else
    InsertBlock(x, y);
}

void ChartView::OnMouseUpPointer(int x, int y, int) {
  switch (mouseMode) {
  case ModeRubberBand:
    if (!rubberBandShown) {
      if (ChartItem* hit = GetElementAt(x, y)) {
        SelectOnly(hit);
      } else {
        if (sub->selection.empty()) break;
        sub->selection.clear();
      }
    } else {
      sub->selection.clear();
      int dx = x - pressX, dy = y - pressY;
      int left = dx < 1 ? x : pressX, top = dy < 1 ? y : pressY;
      const CanvasS* canvas = Canvas();
      rubberBand = {WorldX(left), WorldY(top), static_cast<int>(std::abs(dx) / canvas->zoom),
                    static_cast<int>(std::abs(dy) / canvas->zoom)};
      CanvasForeachItemInRect(Canvas(), rubberBand.x, rubberBand.y, rubberBand.w, rubberBand.h, SelectionRectHelper,
                              this);
      rubberBandShown = false;
    }
    Repaint();
    break;
  case ModeDragItem:
  case ModeMoveSelection: {
    ChartItem* hit = GetElementAt(x, y);
    // A release near the press is a click, unless the press already moved
    // something across a grid line or reshaped an arrow.
    bool changed = mouseMode == ModeMoveSelection
                       ? lastGridX != pressGridX || lastGridY != pressGridY
                       : !sub->selection.empty() && !(ShapeOf(sub->selection.front()) == pressShape);
    if (IsClick(x, y) && hit) {
      SelectOnly(hit);
      if (changed) SetModified();
    } else {
      SetModified();
    }
    Repaint();
    break;
  }
  default:
    break;
  }
  mouseMode = ModeIdle;
}

void ChartView::FindConnectorsAtInsert(CanvasS*, CanvasItemS* entry, void* userData) {
  auto* search = static_cast<InsertSearch*>(userData);
  if (search->found) return;
  auto* connector = dynamic_cast<BlockConnector*>(ChartItem::FromCanvas(entry));
  if (connector && !connector->endItem && search->block->IsInItem(connector->endX, connector->endY))
    search->found = connector;
}

void ChartView::InsertBlock(int x, int y) {
  sub->selection.clear();
  int wx = WorldX(x), wy = WorldY(y);
  ChartItem* block = nullptr;
  switch (insertTool) {
  case InsertIfBlock:
    block = new IfBlock(sub, Snap(wx - 80), Snap(wy - 48));
    break;
  case InsertInstruction:
    // Without a catalogue row there is nothing to call: place nothing.
    if (insertInfo) block = new Instruction(sub, Snap(wx - 80), Snap(wy - 36), insertInfo);
    break;
  case InsertEndBlock:
    block = new EndBlock(sub, Snap(wx - 64), Snap(wy - 36));
    break;
  case InsertAssignment:
    block = new Assignment(sub, Snap(wx - 64), Snap(wy - 36));
    break;
  case InsertCallSub:
    block = new CallSub(sub, Snap(wx - 64), Snap(wy - 36));
    break;
  case InsertComment:
    block = new Comment(sub, Snap(wx - 64), Snap(wy - 36));
    break;
  default:
    break;
  }
  if (block) {
    SelectOnly(block);
    if (block->HasConnectionPoint()) {
      InsertSearch search{block, nullptr};
      const CanvasItemS& r = block->canvasItem;
      CanvasForeachItemInRect(Canvas(), r.x, r.y, r.w, r.h, FindConnectorsAtInsert, &search);
      // The block's own arrows start inside it; they never end there.
      if (search.found && search.found != block->dependent1 && search.found != block->dependent2)
        search.found->ConnectTo(block);
    }
    SetModified();
  }
  insertTool = InsertNone;
  NativeSetPointerCursor(owner->hwnd);
  Repaint();
}

void ChartView::OnMouseDoubleClick(int x, int y, int) {
  if (insertTool != InsertNone) return;
  ChartItem* hit = GetElementAt(x, y);
  if (hit && IsClick(x, y) && hit->OnEdit(owner->hwnd)) {
    SetModified();
    Repaint();
  }
}

void ChartView::DeleteSelection() {
  // Decide for every item before any goes: an arrow dies with its block.
  std::vector<ChartItem*> doomed;
  for (ChartItem* item : sub->selection)
    if (!item->dependent && item != sub->start) doomed.push_back(item);
  if (doomed.empty()) return;
  // The store closes the gaps once at the end instead of once per item.
  CanvasHoldCompaction(Canvas(), [&] {
    for (ChartItem* item : doomed) {
      if (item == sub->errorItem) sub->errorItem = nullptr;
      if (item == pressedItem) pressedItem = nullptr;
      delete item;
    }
  });
  sub->selection.clear();
  SetModified();
  Repaint();
}

void ChartView::OnKeyUp(int key, int) {
  if (key == VK_DELETE) DeleteSelection();
}

void ChartView::ClampOrigin() {
  CanvasS* canvas = Canvas();
  auto limit = [](double origin, double viewWorldSize) {
    double low = -double(ScrollLimit), high = std::max(low, ScrollLimit - viewWorldSize);
    return std::clamp(origin, low, high);
  };
  canvas->originX = limit(canvas->originX, canvas->viewWorldWidth);
  canvas->originY = limit(canvas->originY, canvas->viewWorldHeight);
}

void ChartView::OnMouseWheel(double notches, int x, int y, int keys) {
  CanvasS* canvas = Canvas();
  if (keys & MK_CONTROL)
    CanvasZoomWithSteadyPoint(canvas, std::max(0.1, canvas->zoom + 0.1 * notches), x, y);
  else if (keys & MK_SHIFT)
    canvas->originX -= notches * canvas->viewWorldWidth / 20;
  else
    canvas->originY -= notches * canvas->viewWorldHeight / 20;
  ClampOrigin();
  Repaint();
}

void ChartView::OnResize(int width, int height) {
  CanvasSetViewSize(Canvas(), width, height);
  Repaint();
}

void ChartView::OnPaint(Drawing* drawing) {
  drawing->FillBackground(Stock::BackgroundGrey);
  CanvasS* canvas = Canvas();
  // Each item asks whether it is selected: a set answers at once, where the
  // selection list would be searched for every item.
  PaintPass pass{drawing, {sub->selection.begin(), sub->selection.end()}};
  // Only the items that meet the visible part of the chart, bottom first.
  CanvasForeachItemInRect(canvas, static_cast<int>(canvas->originX), static_cast<int>(canvas->originY),
                          static_cast<int>(canvas->viewWorldWidth), static_cast<int>(canvas->viewWorldHeight),
                          PaintItem, &pass);
  if (rubberBandShown)
    drawing->FillRect(rubberBand.x, rubberBand.y, rubberBand.w, rubberBand.h, Stock::TransparentLightBlue);
}

int ChartView::PaintState(const Sub* sub, const ChartItem* item) {
  bool selected = std::find(sub->selection.begin(), sub->selection.end(), item) != sub->selection.end();
  return PaintState(sub, item, selected);
}

int ChartView::PaintState(const Sub* sub, const ChartItem* item, bool selected) {
  int state = 0;
  if (!sub->selection.empty()) state = selected ? PaintSelected : PaintGreyed;
  if (item == sub->errorItem) state |= PaintMarked;
  return state;
}

void ChartView::PaintItem(CanvasS* canvas, CanvasItemS* entry, void* userData) {
  auto* pass = static_cast<PaintPass*>(userData);
  Drawing* drawing = pass->drawing;
  // The item draws in its own units with its top-left corner at the origin.
  drawing->TranslateAndScale((entry->x - canvas->originX) * canvas->zoom, (entry->y - canvas->originY) * canvas->zoom,
                             canvas->zoom);
  ChartItem* item = ChartItem::FromCanvas(entry);
  item->OnPaint(drawing, PaintState(Sub::FromCanvas(canvas), item, pass->selected.count(item) != 0));
  drawing->RestoreTranslateAndScale();
}
