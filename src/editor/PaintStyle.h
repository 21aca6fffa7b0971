#pragma once
// What the block kinds share when they paint themselves: the colours of the
// paint states, the error mark, and the texts shown on the blocks.
#include <string>

class Drawing;
class Color;
class Instruction;

namespace PaintStyle {

// The shape fill: the kind's own colour, or light grey while other items are
// selected.
const Color& BlockFill(int flags, const Color& kindColour);
// The main text colour on a block.
const Color& BlockText(int flags);
// The error mark: an ellipse 20 units outside the block's w x h box.
void PaintErrorMark(Drawing* drawing, double w, double h);

// The instruction's name, then its arguments in parentheses and its result
// after an arrow, each "?" while empty.
std::string InstructionLabel(const Instruction& instruction);
// A chart text, or "?" when it is empty.
std::string OrQuestionMark(const std::string& text);

}  // namespace PaintStyle
