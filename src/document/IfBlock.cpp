#include "document/IfBlock.h"

#include "document/BlockConnector.h"

IfBlock::IfBlock(Sub* sub, int x, int y) : ProgramBlock(sub, x, y, Width, Height) {
  dependent1 = new BlockConnector(sub, x + Width / 2, y + Height, false);
  dependent2 = new BlockConnector(sub, x + Width, y + Height / 2, true);
}

IfBlock::IfBlock(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool IfBlock::IsInItem(int x, int y) {
  // The rhombus through the edge midpoints; its edges rise 48 over 80.
  double px = x - canvasItem.x, py = y - canvasItem.y;
  const double slope = 0.6, cx = Width / 2, cy = Height / 2;
  if (px <= cx) {
    if (py > cy) return py - slope * px < cy;
    return py > cy - slope * px;
  }
  if (py <= cy) return py > slope * (px - cx);
  return py < Height - slope * (px - cx);
}

bool IfBlock::IsInItem(int x, int y, int w, int h) {
  if (SpanOverlap(x, w, canvasItem.x, Width) > Width / 2 || SpanOverlap(y, h, canvasItem.y, Height) > Height / 2)
    return true;
  return IsInItem(x, y) || IsInItem(x + w, y) || IsInItem(x + w, y + h) || IsInItem(x, y + h);
}
