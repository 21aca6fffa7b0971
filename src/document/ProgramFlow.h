#pragma once
// The blocks that shape the flow of a chart: where it starts, where it
// returns, and calls of other charts. Their shape is their rectangle.
#include "document/ChartItem.h"

class StartBlock : public ProgramBlock {
public:
  static constexpr int Width = 128;
  static constexpr int Height = 72;
  static constexpr int CornerRadius = 18;

  // With its arrow down from the bottom centre.
  StartBlock(Sub* sub, int x, int y);
  explicit StartBlock(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool HasConnectionPoint() override;
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};

class EndBlock : public ProgramBlock {
public:
  static constexpr int Width = 128;
  static constexpr int Height = 72;
  static constexpr int CornerRadius = 18;

  EndBlock(Sub* sub, int x, int y);
  explicit EndBlock(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool HasConnectionPoint() override;
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};

class CallSub : public ProgramBlock {
public:
  static constexpr int Width = 128;
  static constexpr int Height = 72;

  Sub* target = nullptr;  // not owning; cleared when that sub is deleted

  // With its arrow down from the bottom centre.
  CallSub(Sub* sub, int x, int y);
  explicit CallSub(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool OnEdit(NativeWindow parent) override;  // editor
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
  void WriteCode(Compiler::Program& program) override;  // compiler
};
