#pragma once
// A call of one routine of the board's runtime library, chosen from a fixed
// catalogue, with up to three arguments and an optional result variable.
#include <string>

#include "document/ChartItem.h"

struct InstructionInfo {
  struct Argument {
    int typeMask;  // operand types accepted
    const char* label;
  };
  const char* routineName;  // also the id in project files
  const char* displayName;
  const char* extraText;
  int argumentCount;
  Argument arguments[3];
  int resultMask;  // 0: no result
};

class Instruction : public ProgramBlock {
public:
  static constexpr int Width = 160;
  static constexpr int Height = 72;
  static constexpr int ShiftValue = 10;  // slant of the hit test, in units
  static constexpr double Shift = 0.15;  // slant of the drawn shape, as a fraction of the width

  static constexpr int InstructionInfosCount = 13;
  static const InstructionInfo InstructionInfos[InstructionInfosCount];

  const InstructionInfo* info = nullptr;  // null only while loading
  std::string arguments[3];               // as typed; the first argumentCount are used
  std::string result;

  // With its arrow down from the bottom centre.
  Instruction(Sub* sub, int x, int y, const InstructionInfo* info);
  explicit Instruction(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool OnEdit(NativeWindow parent) override;  // editor
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};
