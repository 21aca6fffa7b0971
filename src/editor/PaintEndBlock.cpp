// The end block: a crimson rounded box.
#include "document/ProgramFlow.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

void EndBlock::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRoundedRect(0, 0, Width, Height, CornerRadius, PaintStyle::BlockFill(flags, Stock::Crimson));
  drawing->PrintText(0, 0, Width, Height, "Ende", Stock::GuiFont, PaintStyle::BlockText(flags), Drawing::AlignCentered);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
