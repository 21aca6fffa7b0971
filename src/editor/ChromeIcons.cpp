#include "editor/ChromeIcons.h"

#include <initializer_list>
#include <utility>

#include "toolkit/Drawing.h"

namespace {

// The icons are drawn in their own coordinates, top-left at (x, y).
struct Placed {
  Placed(Drawing* drawing, double x, double y) : drawing(drawing) { drawing->TranslateAndScale(x, y, 1); }
  ~Placed() { drawing->RestoreTranslateAndScale(); }
  Drawing* drawing;
};

using Points = std::initializer_list<std::pair<double, double>>;

// A closed figure through the points, back to the first.
Path Polygon(Points points) {
  Path path;
  for (auto [x, y] : points) {
    if (path.HasCurrentPoint())
      path.LineTo(x, y);
    else
      path.MoveTo(x, y);
  }
  path.LineTo(points.begin()->first, points.begin()->second);
  path.Close();
  return path;
}

void FillPolygon(Drawing* drawing, Points points, const Color& color) { drawing->FillPath(Polygon(points), color); }

}  // namespace

// --- Menu bar -------------------------------------------------------------------

void PaintOpenIcon(Drawing* drawing, double x, double y) {
  // A folder with its front flap.
  Placed at(drawing, x, y);
  FillPolygon(drawing, {{1, 4}, {12, 4}, {15, 8}, {31, 8}, {31, 30}, {1, 30}}, Stock::DarkerGrey);
  Path flap = Polygon({{7, 14}, {35, 14}, {30, 30}, {2, 30}});
  drawing->FillPath(flap, Stock::White);
  drawing->DrawPath(flap, Stock::ThickerDarkerGreyPen);
}

void PaintSaveIcon(Drawing* drawing, double x, double y, bool modified) {
  // A floppy disk.
  Placed at(drawing, x, y);
  drawing->FillRect(4, 4, 27, 27, Stock::White);
  Path body = Polygon({{2, 2}, {28, 2}, {33, 7}, {33, 33}, {2, 33}});
  body.Rectangle(9, 4, 15, 9);    // shutter
  body.Rectangle(7, 19, 21, 12);  // label
  drawing->FillPath(body, modified ? Stock::DarkerGrey : Stock::MediumGrey);
  drawing->FillRect(19, 5, 3, 6, modified ? Stock::DarkerGrey : Stock::MediumGrey);
}

void PaintSendIcon(Drawing* drawing, double x, double y) {
  // A chip with a notch and ten pins.
  Placed at(drawing, x, y);
  Path chip;
  chip.MoveTo(8, 1);
  chip.LineTo(14, 1);
  chip.CurveTo(14, 5, 20, 5, 20, 1);
  chip.LineTo(27, 1);
  chip.LineTo(27, 34);
  chip.LineTo(8, 34);
  chip.LineTo(8, 1);
  chip.Close();
  drawing->FillPath(chip, Stock::DarkerGrey);
  for (int k = 0; k < 5; ++k) {
    drawing->FillRect(3, 5 + 6 * k, 5, 3, Stock::White);
    drawing->FillRect(27, 5 + 6 * k, 5, 3, Stock::White);
  }
}

// --- Title bar ------------------------------------------------------------------

void PaintMinimizeGlyph(Drawing* drawing, double x, double top) {
  drawing->DrawLine(x + 1, top + 15, x + 15, top + 15, Stock::ThinDarkerGreyPen);
}

void PaintMaximizeGlyph(Drawing* drawing, double x, double top, bool maximized) {
  const Pen& pen = Stock::ThinDarkerGreyPen;
  if (maximized) {
    Path front;
    front.Rectangle(x, top + 4, 12, 12);
    drawing->DrawPath(front, pen);
    drawing->DrawLine(x + 4, top + 4, x + 4, top, pen);
    drawing->DrawLine(x + 4, top, x + 16, top, pen);
    drawing->DrawLine(x + 16, top, x + 16, top + 12, pen);
    drawing->DrawLine(x + 16, top + 12, x + 12, top + 12, pen);
  } else {
    Path frame;
    frame.Rectangle(x, top + 3, 16, 13);
    drawing->DrawPath(frame, pen);
    drawing->DrawLine(x, top + 2, x + 16, top + 2, pen);
  }
}

void PaintCloseGlyph(Drawing* drawing, double x, double top) {
  drawing->DrawLine(x, top, x + 16, top + 16, Stock::ThinDarkerGreyPen);
  drawing->DrawLine(x + 16, top, x, top + 16, Stock::ThinDarkerGreyPen);
}

// --- Tool bar -------------------------------------------------------------------

void PaintPointerTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  FillPolygon(drawing, {{8, 1}, {8, 31}, {14, 25}, {17.5, 33}, {21, 32}, {17.5, 23.5}, {25.5, 23.5}}, color);
}

void PaintAssignmentTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  drawing->FillRect(0, 6.5, 35, 22, color);
  drawing->FillRect(13.1, 15.7, 8.8, 1.5, Stock::White);
  drawing->FillRect(13.1, 19.3, 8.8, 1.5, Stock::White);
}

void PaintInstructionTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  FillPolygon(drawing, {{3.7, 7.3}, {34.6, 7.3}, {30.8, 29.1}, {0, 29.1}}, color);
  drawing->FillTriangle(35, 15.4, 40, 18.2, 35, 21, color);
}

void PaintIfBlockTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  FillPolygon(drawing, {{17.6, 7.1}, {35.2, 17.4}, {17.6, 27.8}, {0, 17.4}}, color);
  drawing->PrintText(0, 7.1, 35.2, 20.7, "?", Stock::GuiFont, Stock::White, Drawing::AlignCentered);
}

void PaintCallSubTool(Drawing* drawing, double x, double y, const Color& color) {
  // Grey side bars, as on a call block.
  Placed at(drawing, x, y);
  drawing->FillRect(0, 7, 35, 26, Stock::MediumGrey);
  drawing->FillRect(5, 7, 25, 26, color);
}

void PaintEndBlockTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  drawing->FillRoundedRect(0, 6.5, 35, 22, 7, color);
}

void PaintCommentTool(Drawing* drawing, double x, double y, const Color& color) {
  Placed at(drawing, x, y);
  drawing->FillRect(0, 0, 35, 26, color);
  for (int line = 0; line < 3; ++line) drawing->FillRect(4, 6 + 6 * line, 27, 2, Stock::White);
}
