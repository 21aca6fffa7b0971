// The start block: a green rounded box. It is the error item only when a
// broken project file left it without its arrow.
#include "document/ProgramFlow.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

void StartBlock::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRoundedRect(0, 0, Width, Height, CornerRadius, PaintStyle::BlockFill(flags, Stock::Green));
  drawing->PrintText(0, 0, Width, Height, "Start", Stock::GuiFont, PaintStyle::BlockText(flags),
                     Drawing::AlignCentered);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
