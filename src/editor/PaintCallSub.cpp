// The call block: a box with a bar on either side, "Aufruf" over the name of
// the chart it runs.
#include "document/ProgramFlow.h"
#include "document/Sub.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

namespace {
constexpr double BarWidth = CallSub::Width / 10.0;
}

void CallSub::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRect(0, 0, Width, Height, PaintStyle::BlockFill(flags, Stock::SteelBlue));
  // The bars lighten whatever lies below them, greyed or not.
  drawing->FillRect(0, 0, BarWidth, Height, Stock::TransparentWhite);
  drawing->FillRect(Width - BarWidth, 0, BarWidth, Height, Stock::TransparentWhite);
  const Color& text = PaintStyle::BlockText(flags);
  drawing->PrintText(0, 0, Width, Height / 2, "Aufruf", Stock::GuiFont, text, Drawing::AlignCentered);
  drawing->PrintText(0, Height / 2, Width, Height / 2, target ? target->name : "?", Stock::GuiFont, text,
                     Drawing::AlignCentered);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
