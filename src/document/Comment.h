#pragma once
// Free text on a chart. It takes no part in the program: no arrow leaves or
// enters it.
#include <string>

#include "document/ChartItem.h"

class Comment : public ChartItem {
public:
  static constexpr int Width = 128;
  static constexpr int Height = 80;

  std::string text = "Kommentar";

  Comment(Sub* sub, int x, int y);
  explicit Comment(Sub* sub);

  void OnPaint(Drawing* drawing, int flags) override;  // editor
  bool WantsDrag(int x, int y) override;
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  bool HasConnectionPoint() override;
  bool OnEdit(NativeWindow parent) override;  // editor
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  using ChartItem::ReadXML;
};
