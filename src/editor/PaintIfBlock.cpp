// The if block: a rhombus with the condition, and its two exits labelled:
// "Nein" beside the right corner, "Ja" below the bottom one.
#include "document/IfBlock.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

void IfBlock::OnPaint(Drawing* drawing, int flags) {
  drawing->FillRhombus(0, 0, Width, Height, PaintStyle::BlockFill(flags, Stock::Crimson));
  drawing->PrintText(15, 0, 130, Height, PaintStyle::OrQuestionMark(compare.GetString(" ")), Stock::GuiFont,
                     PaintStyle::BlockText(flags), Drawing::AlignCentered);
  // The exit labels stand on the chart background, so they are dark.
  const Color& exitText = (flags & PaintGreyed) ? Stock::DarkGrey : Stock::Black;
  drawing->PrintText(155, 30, 50, 18, "Nein", Stock::GuiFont, exitText, Drawing::AlignTopLeft);
  drawing->PrintText(85, 101, 50, 18, "Ja", Stock::GuiFont, exitText, Drawing::AlignTopLeft);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
