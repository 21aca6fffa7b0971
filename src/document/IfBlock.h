#pragma once
// A branch on one comparison: a rhombus with the yes exit at the bottom
// vertex (dependent1) and the no exit at the right vertex (dependent2).
#include "document/ChartItem.h"
#include "language/Expressions.h"

class IfBlock : public ProgramBlock {
public:
  static constexpr int Width = 160;
  static constexpr int Height = 96;

  ParsedCompare compare;

  IfBlock(Sub* sub, int x, int y);
  explicit IfBlock(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool OnEdit(NativeWindow parent) override;  // editor
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};
