#pragma once
// One assignment, target = operand or target = operand operator operand,
// kept in parsed form. Its shape is its rectangle.
#include "document/ChartItem.h"
#include "language/Expressions.h"

class Assignment : public ProgramBlock {
public:
  static constexpr int Width = 128;
  static constexpr int Height = 72;

  ParsedAssignment assignment;

  // With its arrow down from the bottom centre.
  Assignment(Sub* sub, int x, int y);
  explicit Assignment(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool OnEdit(NativeWindow parent) override;  // editor
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};
