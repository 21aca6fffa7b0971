#include "document/BlockConnector.h"

#include <algorithm>

#include "document/Sub.h"

BlockConnector::BlockConnector(Sub* sub, int x, int y, bool toRight)
    : ChartItem(sub, x, y, Width, Height),
      toRight(toRight),
      endX(toRight ? x + Height : x),
      endY(y + Height),
      startX(x),
      startY(y),
      partsCode(toRight ? DirRight : DirDown) {
  dependent = true;
  Reroute();
}

BlockConnector::BlockConnector(Sub* sub) : ChartItem(sub, Width, Height), endY(Height) {
  dependent = true;
  Reroute();
}

BlockConnector::~BlockConnector() { Unplug(); }

int BlockConnector::RouteCode() const {
  int h = endX == startX ? DirStraight : endX > startX ? DirRight : DirLeft;
  int v = endY > startY ? DirDown : DirUp;
  return h | v;
}

void BlockConnector::DetermineParts() {
  int code = RouteCode();
  int h = code & DirHorizontalMask;
  int v = code & DirVerticalMask;
  std::vector<ConnectorPart> route;
  if (!toRight) {
    if (h == DirStraight)
      route = v == DirDown
                  ? std::vector<ConnectorPart>{{DirDown, 0}}
                  : std::vector<ConnectorPart>{{DirDown, 0}, {DirLeft, 32}, {DirUp, 96}, {DirRight, -32}, {DirDown, 0}};
    else
      route = v == DirDown ? std::vector<ConnectorPart>{{DirDown, 0}, {h, 0}, {DirDown, 0}}
                           : std::vector<ConnectorPart>{{DirDown, 0}, {h, 32}, {DirUp, 0}, {h, -32}, {DirDown, 0}};
  } else if (h != DirRight) {
    route = {{DirRight, 0}, {v, 32}, {DirLeft, -32}, {DirDown, 0}};
  } else if (v == DirUp) {
    route = {{DirRight, 0}, {DirUp, 0}, {DirRight, -32}, {DirDown, 0}};
  } else {
    route = {{DirRight, 0}, {DirDown, 0}};
  }
  // The user's offsets survive while the end stays in the same quadrant.
  if (code == partsCode) {
    size_t n = std::min(route.size(), parts.size());
    for (size_t i = 0; i < n; i++) route[i].moveBy = parts[i].moveBy;
  }
  parts = std::move(route);
  partsCode = code;
  draggedPart = nullptr;
}

std::vector<RoutePoint> BlockConnector::RoutePoints() const {
  int dx = endX - startX, dy = endY - startY;
  int code = RouteCode();
  int h = code & DirHorizontalMask;
  int v = code & DirVerticalMask;
  auto countH = std::count_if(parts.begin(), parts.end(),
                              [&](const ConnectorPart& p) { return (p.direction & DirHorizontalMask) == h; });
  auto countV = std::count_if(parts.begin(), parts.end(),
                              [&](const ConnectorPart& p) { return (p.direction & DirVerticalMask) == v; });
  std::vector<RoutePoint> points;
  points.reserve(parts.size() + 1);
  RoutePoint p{startX, startY};
  points.push_back(p);
  for (size_t i = 0; i < parts.size(); i++) {
    int dir = parts[i].direction;
    bool horizontal = dir & DirHorizontalMask;
    int length;
    if (horizontal)
      length = (dir & DirHorizontalMask) == h ? dx / static_cast<int>(countH) : 0;
    else
      length = (dir & DirVerticalMask) == v ? dy / static_cast<int>(countV) : 0;
    if (i > 0) length -= parts[i - 1].moveBy;
    if (i + 1 < parts.size()) length += parts[i + 1].moveBy;
    if (horizontal)
      p.x += length;
    else
      p.y += length;
    points.push_back(p);
  }
  return points;
}

namespace {

struct Box {
  int x, y, w, h;
};

Box HitBox(RoutePoint a, RoutePoint b) {
  int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
  int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
  return {x0 - BlockConnector::Margin, y0 - BlockConnector::Margin, x1 - x0 + 2 * BlockConnector::Margin,
          y1 - y0 + 2 * BlockConnector::Margin};
}

}  // namespace

void BlockConnector::UpdateCanvasItem() {
  std::vector<RoutePoint> points = RoutePoints();
  int x0 = endX, x1 = endX, y0 = endY, y1 = endY;
  for (const RoutePoint& p : points) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  canvasItem.x = x0 - Margin;
  canvasItem.y = y0 - Margin;
  canvasItem.w = x1 - x0 + 2 * Margin;
  canvasItem.h = y1 - y0 + 2 * Margin;
  WidenExtent();
}

void BlockConnector::Reroute() {
  DetermineParts();
  UpdateCanvasItem();
}

ConnectorPart* BlockConnector::GetPartAt(int x, int y) {
  std::vector<RoutePoint> points = RoutePoints();
  for (size_t i = 0; i < parts.size(); i++) {
    Box b = HitBox(points[i], points[i + 1]);
    if (b.x <= x && x <= b.x + b.w && b.y <= y && y <= b.y + b.h) return &parts[i];
  }
  return nullptr;
}

bool BlockConnector::IsInItem(int x, int y) { return GetPartAt(x, y) != nullptr; }

bool BlockConnector::IsInItem(int x, int y, int w, int h) {
  std::vector<RoutePoint> points = RoutePoints();
  for (size_t i = 0; i < parts.size(); i++) {
    Box b = HitBox(points[i], points[i + 1]);
    if (IntersectRectangles(b.x, b.y, b.w, b.h, x, y, w, h)) return true;
  }
  return false;
}

bool IsNear(int x, int y, int endX, int endY) {
  return endX - 5 <= x && x <= endX + 5 && endY - 10 <= y && y <= endY + 5;
}

void BlockConnector::Move(int dx, int dy) {
  startX += dx;
  startY += dy;
  if (!endItem) {
    endX += dx;
    endY += dy;
  }
  Reroute();
}

bool BlockConnector::WantsDrag(int x, int y) {
  if (IsNear(x, y, endX, endY)) {
    dragEnd = true;
    return true;
  }
  draggedPart = GetPartAt(x, y);
  // The first and last parts stay fixed, so a one-part route cannot be reshaped.
  if (!draggedPart || draggedPart == &parts.front() || draggedPart == &parts.back()) return false;
  dragEnd = false;
  lastX = x;
  lastY = y;
  return true;
}

void BlockConnector::OnDrag(int x, int y) {
  if (dragEnd) {
    AdjustEndToPlugable(x, y);
    return;
  }
  if (!draggedPart) return;
  if (draggedPart->direction & DirHorizontalMask)
    draggedPart->moveBy += y - lastY;
  else
    draggedPart->moveBy += x - lastX;
  UpdateCanvasItem();
  lastX = x;
  lastY = y;
}

void BlockConnector::Unplug() {
  if (!endItem) return;
  auto& list = endItem->incomingConnectors;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  endItem = nullptr;
}

void BlockConnector::ConnectTo(ChartItem* item) {
  // Unplug first, so the arrow never stands in two incoming lists.
  Unplug();
  endItem = item;
  item->incomingConnectors.push_back(this);
  endX = item->canvasItem.x + item->canvasItem.w / 2;
  endY = item->canvasItem.y;
  Reroute();
}

void BlockConnector::UpdateMovedEndItem() {
  if (!endItem) return;
  endX = endItem->canvasItem.x + endItem->canvasItem.w / 2;
  endY = endItem->canvasItem.y;
  Reroute();
}

void BlockConnector::FindPlugableItem(CanvasS*, CanvasItemS* entry, void* userData, int x, int y) {
  ChartItem* item = FromCanvas(entry);
  // Walked top to bottom, so the lowest qualifying item is stored last.
  if (item->HasConnectionPoint() && item->IsInItem(x, y)) *static_cast<ChartItem**>(userData) = item;
}

void BlockConnector::AdjustEndToPlugable(int x, int y) {
  ChartItem* found = nullptr;
  CanvasForeachItemAt(Canvas(), x, y, FindPlugableItem, &found);
  if (found) {
    ConnectTo(found);
    return;
  }
  Unplug();
  endX = x;
  endY = y;
  Reroute();
}

void BlockConnector::SetEndPoint(int x, int y) {
  endX = x;
  endY = y;
  Reroute();
}

void BlockConnector::AttachEndItem(ChartItem* item) {
  Unplug();
  endItem = item;
  if (item) item->incomingConnectors.push_back(this);
}
