// The instruction block: a slanted box with the instruction's name, its
// arguments and its result.
#include "document/Instruction.h"
#include "editor/PaintStyle.h"
#include "toolkit/Drawing.h"

namespace {
// The text keeps clear of the slanted edges.
constexpr double TextX = 8, TextWidth = 136;
}  // namespace

void Instruction::OnPaint(Drawing* drawing, int flags) {
  drawing->FillParallelogram(0, 0, Width, Height, Shift, PaintStyle::BlockFill(flags, Stock::CornflowerBlue));
  drawing->PrintText(TextX, 0, TextWidth, Height, PaintStyle::InstructionLabel(*this), Stock::GuiFont,
                     PaintStyle::BlockText(flags), Drawing::AlignCentered);
  if (flags & PaintMarked) PaintStyle::PaintErrorMark(drawing, Width, Height);
}
