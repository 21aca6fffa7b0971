#pragma once
// One chart: the canvas store holding its items, its start block, the
// editor's selection, the item marked by the last compile error, and its
// name, which call blocks refer to.
#include <string>
#include <vector>

#include "document/Canvas.h"
#include "document/ChartItem.h"

class Project;
class StartBlock;
class ChartItem;
namespace Compiler {
class Program;
}

class Sub {
public:
  // First member: the canvas walks hand a CanvasS* back, which is this sub.
  CanvasS canvas;
  Project* project;
  StartBlock* start;                  // one of the items, owned through the canvas
  std::vector<ChartItem*> selection;  // not owning
  ChartItem* errorItem;               // not owning; null = none
  std::string name;

  // Placing a new chart: a start block with its arrow, named after the
  // number of subs the project has so far, or the next number that no sub
  // bears.
  explicit Sub(Project* project);
  ~Sub();
  Sub(const Sub&) = delete;
  Sub& operator=(const Sub&) = delete;

  static Sub* FromCanvas(CanvasS* canvas) { return reinterpret_cast<Sub*>(canvas); }

  // Canvas callbacks.
  static void DeleteItem(CanvasS* canvas, CanvasItemS* entry, void* userData);
  static void IdentifyItems(CanvasS* canvas, CanvasItemS* entry, void* userData);
  static void DeleteReferences(CanvasS* canvas, CanvasItemS* entry, void* userData);
  static void SaveItem(CanvasS* canvas, CanvasItemS* entry, void* writer);
  static void UpdateItemRefs(CanvasS* canvas, CanvasItemS* entry, void* ids);

  // Numbers the items from 2 in canvas order and writes the Sub element.
  void WriteXML(XMLWriter* writer);
  // Builds the sub from the Sub element the reader is about to open. On a
  // failure everything read so far is freed and the exception passes on.
  Sub(Project* project, XMLReader* reader, SubFixups* fixups);
  void ReadXML(XMLReader* reader, SubFixups* fixups);
  // Creates the item named by the reader's first child and reads it.
  ChartItem* CreateFromXMLChild(XMLReader* reader, SubFixups* fixups, ItemIds* ids);
  // Code generation (compiler): checks every item, then writes the chart
  // from its start block.
  void WriteCode(Compiler::Program& program);
  static void ClearItemLabelAndCheckUnconnected(CanvasS* canvas, CanvasItemS* entry, void* userData);
};
