#include "editor/PaintStyle.h"

#include "document/ChartItem.h"
#include "document/Instruction.h"
#include "toolkit/Drawing.h"

namespace PaintStyle {

namespace {
constexpr double MarkDistance = 20;
}

const Color& BlockFill(int flags, const Color& kindColour) {
  return (flags & PaintGreyed) ? Stock::LighterGrey : kindColour;
}

const Color& BlockText(int flags) { return (flags & PaintGreyed) ? Stock::DarkGrey : Stock::White; }

void PaintErrorMark(Drawing* drawing, double w, double h) {
  drawing->DrawEllipse(-MarkDistance, -MarkDistance, w + 2 * MarkDistance, h + 2 * MarkDistance,
                       Stock::ThickerCrimsonPen);
}

std::string OrQuestionMark(const std::string& text) { return text.empty() ? "?" : text; }

std::string InstructionLabel(const Instruction& instruction) {
  const InstructionInfo* info = instruction.info;
  // Only a block still being loaded lacks its catalogue row.
  if (!info) return "?";
  std::string label = std::string(info->displayName) + "\n";
  if (info->argumentCount > 0) {
    label += " (";
    for (int i = 0; i < info->argumentCount && i < 3; i++) {
      if (i > 0) label += ", ";
      label += OrQuestionMark(instruction.arguments[i]);
    }
    label += ")";
  }
  if (info->resultMask != 0) label += " -> " + OrQuestionMark(instruction.result);
  return label;
}

}  // namespace PaintStyle
