// The assignment block: a box with target, "=" and right side on three lines.
#include "document/Assignment.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

void Assignment::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRect(0, 0, Width, Height, PaintStyle::BlockFill(flags, Stock::SteelBlue));
  drawing->PrintText(0, 0, Width, Height, PaintStyle::OrQuestionMark(assignment.GetString("\n")), Stock::GuiFont,
                     PaintStyle::BlockText(flags), Drawing::AlignCentered);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
