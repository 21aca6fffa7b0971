#pragma once
// Everything that stands on a chart: blocks, comments and the arrows between
// blocks. An item registers its rectangle in its sub's canvas for its whole
// life; a block owns its outgoing arrows (dependent1, dependent2).
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "document/Canvas.h"
#include "toolkit/NativeWindow.h"

class Sub;
class BlockConnector;
class ChartItem;
class XMLWriter;
class XMLReader;
class Drawing;

// Paint states of an item, a bit set: other items are selected, this one is,
// and this one is the sub's error item.
constexpr int PaintGreyed = 1, PaintSelected = 2, PaintMarked = 4;

// Loading state: the target slots of the call blocks read, with the sub names
// from the file; and the saved numbers of one sub's items.
using SubFixups = std::vector<std::pair<Sub**, std::string>>;
using ItemIds = std::map<int, ChartItem*>;

namespace Compiler {
class Program;
}

class ChartItem {
public:
  Sub* sub;
  CanvasItemS canvasItem;
  ChartItem* dependent1 = nullptr;  // first outgoing arrow (an if block's yes exit)
  ChartItem* dependent2 = nullptr;  // second outgoing arrow (an if block's no exit)
  bool dependent = false;           // owned by another item: never deleted or saved on its own
  std::vector<BlockConnector*> incomingConnectors;
  int id = 0;         // number within the sub, given before saving
  std::string label;  // code label, given during code generation

  ChartItem(Sub* sub, int x, int y, int w, int h);
  ChartItem(Sub* sub, int w, int h);
  ChartItem(const ChartItem&) = delete;
  ChartItem& operator=(const ChartItem&) = delete;

  // Virtual operations in their fixed order. The painting, editing, project
  // file and code operations are declared by the editor, the project file and
  // the compiler at the places marked.
  virtual ~ChartItem();
  virtual void OnPaint(Drawing* drawing, int flags) = 0;  // editor
  virtual void Move(int dx, int dy);
  virtual bool WantsDrag(int x, int y) = 0;
  virtual void OnDrag(int x, int y);
  virtual bool IsInItem(int x, int y) = 0;
  virtual bool IsInItem(int x, int y, int w, int h) = 0;
  virtual bool HasConnectionPoint();
  // Runs the item's edit dialog; true when the item changed (editor).
  virtual bool OnEdit(NativeWindow parent);
  // The common part of the item's element; every kind calls it right after
  // opening its own element.
  virtual void WriteXML(XMLWriter* writer);
  virtual void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids);
  // Second loading pass: resolves saved numbers.
  virtual void ReadXML(ItemIds* ids);
  // The item's code; the base writes the outgoing arrows (compiler).
  virtual void WriteCode(Compiler::Program& program);

  // The item that owns a canvas entry.
  static ChartItem* FromCanvas(CanvasItemS* entry) { return static_cast<ChartItem*>(entry->data); }

protected:
  // Reads one outgoing arrow from DependendItems.
  ChartItem* ReadDependent(XMLReader* reader, SubFixups* fixups, ItemIds* ids);
  CanvasS* Canvas() const;
  // Widens the sub's extent to hold the item's rectangle.
  void WidenExtent();
  // The length two spans share along one axis (negative when apart).
  static int SpanOverlap(int a, int aLength, int b, int bLength) {
    return aLength + bLength - (std::max(a + aLength, b + bLength) - std::min(a, b));
  }
};

// Base of the blocks that take part in the program flow.
class ProgramBlock : public ChartItem {
public:
  ProgramBlock(Sub* sub, int x, int y, int w, int h);
  ProgramBlock(Sub* sub, int w, int h);

  bool WantsDrag(int x, int y) override;
  bool HasConnectionPoint() override;
};
