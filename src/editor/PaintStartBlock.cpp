// The start block: a green rounded box; as the chart's entry it is never the
// error item, so it has no mark.
#include "document/ProgramFlow.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

void StartBlock::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRoundedRect(0, 0, Width, Height, CornerRadius, PaintStyle::BlockFill(flags, Stock::Green));
  drawing->PrintText(0, 0, Width, Height, "Start", Stock::GuiFont, PaintStyle::BlockText(flags),
                     Drawing::AlignCentered);
}
