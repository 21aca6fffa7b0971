// An arrow: its route as a polyline in chart coordinates, ending in an
// arrowhead into its end item, or in a cross when the end is loose.
#include <vector>

#include "document/BlockConnector.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

namespace {
constexpr double HeadHalfWidth = 7, HeadLength = 8;
constexpr double CrossHalf = 5;
constexpr double MarkRadius = 15;
}  // namespace

void BlockConnector::OnPaint(Drawing* drawing, int flags) {
  // Greyed wins over selected.
  const Color* fill;
  const Pen* pen;
  if (flags & PaintGreyed) {
    fill = &Stock::LighterGrey;
    pen = &Stock::ThickerLighterGreyPen;
  } else if (flags & PaintSelected) {
    fill = &Stock::Crimson;
    pen = &Stock::ThickerCrimsonPen;
  } else if (endItem) {
    fill = &Stock::Black;
    pen = &Stock::ThickerBlackPen;
  } else {
    fill = &Stock::DarkGrey;
    pen = &Stock::ThickerDarkGreyPen;
  }

  // The view has moved the origin to the item's corner; the route is in
  // chart coordinates, so move back, keeping the zoom.
  drawing->TranslateAndScale(-canvasItem.x, -canvasItem.y, 1.0);
  std::vector<RoutePoint> points = RoutePoints();
  Path path;
  path.MoveTo(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); i++) path.LineTo(points[i].x, points[i].y);
  drawing->DrawPath(path, *pen);

  double ex = points.back().x, ey = points.back().y;
  if (endItem) {
    drawing->FillTriangle(ex - HeadHalfWidth, ey - HeadLength, ex + HeadHalfWidth, ey - HeadLength, ex, ey, *fill);
  } else {
    drawing->DrawLine(ex - CrossHalf, ey - CrossHalf, ex + CrossHalf, ey + CrossHalf, *pen);
    drawing->DrawLine(ex - CrossHalf, ey + CrossHalf, ex + CrossHalf, ey - CrossHalf, *pen);
  }
  if (flags & PaintMarked)
    drawing->DrawEllipse(ex - MarkRadius, ey - MarkRadius, 2 * MarkRadius, 2 * MarkRadius, Stock::ThickerCrimsonPen);
  drawing->RestoreTranslateAndScale();
}
