#include "document/ChartItem.h"

#include "document/BlockConnector.h"
#include "document/Sub.h"

ChartItem::ChartItem(Sub* sub, int x, int y, int w, int h) : ChartItem(sub, w, h) {
  canvasItem.x = x;
  canvasItem.y = y;
  WidenExtent();
}

ChartItem::ChartItem(Sub* sub, int w, int h) : sub(sub), canvasItem{0, 0, w, h, this} {
  CanvasItemAdd(Canvas(), &canvasItem);
}

ChartItem::~ChartItem() {
  delete dependent1;
  delete dependent2;
  // Arrows that ended here stay where they are, loose.
  for (BlockConnector* c : incomingConnectors) c->endItem = nullptr;
  CanvasItemRemove(Canvas(), &canvasItem);
}

void ChartItem::Move(int dx, int dy) {
  if (dependent1) {
    dependent1->Move(dx, dy);
    if (dependent2) dependent2->Move(dx, dy);
  }
  canvasItem.x += dx;
  canvasItem.y += dy;
  WidenExtent();
  for (BlockConnector* c : incomingConnectors) c->UpdateMovedEndItem();
}

void ChartItem::OnDrag(int, int) {}

bool ChartItem::HasConnectionPoint() { return false; }

CanvasS* ChartItem::Canvas() const { return &sub->canvas; }

void ChartItem::WidenExtent() { CanvasWidenExtent(Canvas(), canvasItem.x, canvasItem.y, canvasItem.w, canvasItem.h); }

ProgramBlock::ProgramBlock(Sub* sub, int x, int y, int w, int h) : ChartItem(sub, x, y, w, h) { dependent = false; }

ProgramBlock::ProgramBlock(Sub* sub, int w, int h) : ChartItem(sub, w, h) { dependent = false; }

bool ProgramBlock::WantsDrag(int, int) { return false; }

bool ProgramBlock::HasConnectionPoint() { return true; }
