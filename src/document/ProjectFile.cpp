// Saving and loading a project: the element tree of the project file, the
// numbering of items on saving, the item factory and the two fix-up passes
// that turn saved numbers and names back into pointers.
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "document/XmlReader.h"
#include "document/XmlWriter.h"
#include "toolkit/FileErrors.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

namespace {

// Files the program cannot work with. The messages never reach the user: the
// main window shows its own read-error box.
const char* const UnknownElement = "TODO: Special case";
const char* const NoSubs = "Projekt ohne Programm";
const char* const NoStartBlock = "Programm ohne Startblock";
const char* const BlockAsDependent = "Nur Pfeile dürfen zu einem Block gehören";
const char* const EmptyDependents = "Leere Liste abhängiger Elemente";
const char* const ArrowWithDependents = "Ein Pfeil kann keine abhängigen Elemente haben";
const char* const EndWithoutConnection = "Pfeil endet an einem Element ohne Anschluss";
const char* const UnknownInstruction = "Unbekannte Anweisung";
const char* const FarOff = "Koordinate außerhalb der Zeichenfläche";

// Positions and offsets far beyond any chart; keeps the sums of the routing
// and extent arithmetic well inside int.
constexpr int CoordinateLimit = 1 << 24;

void ReadCoordinate(XMLReader* reader, const char* name, int* out) {
  reader->TextTag(name, out);
  if (*out > CoordinateLimit || *out < -CoordinateLimit) throw XMLReaderException{FarOff};
}

}  // namespace

// ---- Project -------------------------------------------------------------

Project::Project(std::string path, bool* ok, std::string* failure) : fileName(std::move(path)) {
  if (ok) *ok = ReadXML(fileName, failure);
}

bool Project::WriteXML(const std::string& path, std::string* failure) {
  try {
    XMLWriter writer(path);
    if (writer.file) {
      writer.OpenTag("Project");
      variables.Write(&writer);
      writer.OpenTag("Subs");
      for (Sub* sub : subs) sub->WriteXML(&writer);
      writer.CloseTag("Subs");
      writer.CloseTag("Project");
    }
    bool saved = writer.Commit();
    if (failure) *failure = saved ? std::string() : writer.ErrorText();
    if (!saved) return false;
  } catch (const std::bad_alloc&) {
    // The writer's end left the file as it was.
    if (failure) *failure = NativeErrorText(ENOMEM);
    return false;
  }
  fileName = path;
  return true;
}

bool Project::ReadXML(const std::string& path, std::string* failure) {
  if (failure) failure->clear();
  try {
    XMLReader reader(path);
    SubFixups fixups;
    reader.OpenTag("Project");
    // The table comes first, whatever the order in the file: every block
    // text is parsed against it.
    variables.Read(&reader);
    reader.OpenTag("Subs");
    if (!reader.CurrentHasChildren()) throw XMLReaderException{NoSubs};
    while (reader.CurrentHasChildren()) subs.push_back(new Sub(this, &reader, &fixups));
    reader.CloseTag("Subs");
    reader.CloseTag("Project");
    // Of several subs of one name the last one wins: later subs overwrite
    // earlier ones in the map.
    std::unordered_map<std::string, Sub*> byName;
    for (Sub* sub : subs) byName[sub->name] = sub;
    for (auto& [slot, name] : fixups) {
      auto found = byName.find(name);
      if (found != byName.end()) *slot = found->second;
    }
    return true;
  } catch (const XMLReaderException& error) {
    // A file that is not there needs no reason: the box's question says it.
    if (failure && error.cause != 0 && error.cause != ENOENT && error.cause != ENOTDIR)
      *failure = NativeErrorText(error.cause);
    return false;
  } catch (const std::bad_alloc&) {
    // A file too big for the memory there is cannot be read, like any
    // other unreadable file.
    if (failure) *failure = NativeErrorText(ENOMEM);
    return false;
  }
}

// ---- Sub -----------------------------------------------------------------

void Sub::SaveItem(CanvasS*, CanvasItemS* entry, void* writer) {
  ChartItem* item = ChartItem::FromCanvas(entry);
  if (!item->dependent) item->WriteXML(static_cast<XMLWriter*>(writer));
}

void Sub::UpdateItemRefs(CanvasS*, CanvasItemS* entry, void* ids) {
  ChartItem::FromCanvas(entry)->ReadXML(static_cast<ItemIds*>(ids));
}

void Sub::WriteXML(XMLWriter* writer) {
  int counter = 1;
  CanvasForeachItem(&canvas, IdentifyItems, &counter);
  writer->OpenTag("Sub");
  writer->TextTag("Name", name);
  writer->OpenTag("Blocks");
  CanvasForeachItem(&canvas, SaveItem, writer);
  writer->CloseTag("Blocks");
  writer->CloseTag("Sub");
}

Sub::Sub(Project* project, XMLReader* reader, SubFixups* fixups)
    : project(project), start(nullptr), errorItem(nullptr) {
  CanvasInit(&canvas);
  CanvasSetViewOrigin(&canvas, 0, 0);
  try {
    ReadXML(reader, fixups);
  } catch (...) {
    // Not yet in the project, so no call block can point here.
    CanvasForeachItem(&canvas, DeleteItem, nullptr);
    CanvasFree(&canvas);
    throw;
  }
}

void Sub::ReadXML(XMLReader* reader, SubFixups* fixups) {
  // Connectors standing directly in Blocks belong to no block: nothing would
  // ever save or delete them, so they are dropped once the sub is read.
  struct Strays {
    CanvasS* canvas;
    std::vector<std::unique_ptr<ChartItem>> items;
    // Many of them leave the store in one pass.
    ~Strays() {
      CanvasHoldCompaction(canvas, [this] { items.clear(); });
    }
  } strays{&canvas, {}};
  reader->OpenTag("Sub");
  reader->TextTag("Name", &name);
  reader->OpenTag("Blocks");
  ItemIds ids;
  while (reader->CurrentHasChildren()) {
    ChartItem* item = CreateFromXMLChild(reader, fixups, &ids);
    if (item->dependent) strays.items.emplace_back(item);
  }
  reader->CloseTag("Blocks");
  reader->CloseTag("Sub");
  if (!start) throw XMLReaderException{NoStartBlock};
  // Nothing leaves the canvas during this pass, so a plain loop will do (and
  // lets a failure pass through without leaving a walk half done).
  for (unsigned i = 0; i < canvas.count; ++i)
    if (canvas.items[i]) UpdateItemRefs(&canvas, canvas.items[i], &ids);
}

ChartItem* Sub::CreateFromXMLChild(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  const char* kind = reader->CurrentFirstChildName();
  if (!kind) throw XMLReaderException{UnknownElement};
  ChartItem* item;
  if (!strcmp(kind, "StartBlock"))
    item = new StartBlock(this);
  else if (!strcmp(kind, "IfBlock"))
    item = new IfBlock(this);
  else if (!strcmp(kind, "Instruction"))
    item = new Instruction(this);
  else if (!strcmp(kind, "EndBlock"))
    item = new EndBlock(this);
  else if (!strcmp(kind, "CallSub"))
    item = new CallSub(this);
  else if (!strcmp(kind, "Assignment"))
    item = new Assignment(this);
  else if (!strcmp(kind, "BlockConnector"))
    item = new BlockConnector(this);
  else if (!strcmp(kind, "Comment"))
    item = new Comment(this);
  else
    throw XMLReaderException{UnknownElement};
  try {
    item->ReadXML(reader, fixups, ids);
  } catch (...) {
    // Takes its connectors with it; a half-read connector is owned by
    // nobody yet.
    if (start == item) start = nullptr;
    delete item;
    throw;
  }
  return item;
}

// ---- The common part of every item ----------------------------------------

void ChartItem::WriteXML(XMLWriter* writer) {
  writer->OpenTag("ChartItem");
  writer->TextTag("Id", id);
  writer->TextTag("X", canvasItem.x);
  writer->TextTag("Y", canvasItem.y);
  if (dependent1) {
    writer->OpenTag("DependendItems");
    dependent1->WriteXML(writer);
    if (dependent2) dependent2->WriteXML(writer);
    writer->CloseTag("DependendItems");
  }
  writer->CloseTag("ChartItem");
}

void ChartItem::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("ChartItem");
  reader->TextTag("Id", &id);
  ids->emplace(id, this);  // of several items with one number the first keeps it
  ReadCoordinate(reader, "X", &canvasItem.x);
  ReadCoordinate(reader, "Y", &canvasItem.y);
  WidenExtent();
  if (reader->GetCurrentHasChild("DependendItems")) {
    // Arrows own nothing; arrows inside arrows would also let a file nest
    // items as deep as it likes.
    if (dependent) throw XMLReaderException{ArrowWithDependents};
    reader->OpenTag("DependendItems");
    dependent1 = ReadDependent(reader, fixups, ids);
    if (reader->CurrentHasChildren()) dependent2 = ReadDependent(reader, fixups, ids);
    reader->CloseTag("DependendItems");  // a third child fails here
  }
  reader->CloseTag("ChartItem");
}

// Only arrows belong to a block: a block inside another would be owned twice.
ChartItem* ChartItem::ReadDependent(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  const char* kind = reader->CurrentFirstChildName();
  if (!kind) throw XMLReaderException{EmptyDependents};
  if (strcmp(kind, "BlockConnector") != 0) throw XMLReaderException{BlockAsDependent};
  return sub->CreateFromXMLChild(reader, fixups, ids);
}

void ChartItem::ReadXML(ItemIds*) {}

// ---- Item kinds -----------------------------------------------------------

void StartBlock::WriteXML(XMLWriter* writer) {
  writer->OpenTag("StartBlock");
  ChartItem::WriteXML(writer);
  writer->CloseTag("StartBlock");
}

void StartBlock::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("StartBlock");
  ChartItem::ReadXML(reader, fixups, ids);
  reader->CloseTag("StartBlock");
  sub->start = this;  // the last one read wins
}

void EndBlock::WriteXML(XMLWriter* writer) {
  writer->OpenTag("EndBlock");
  ChartItem::WriteXML(writer);
  writer->CloseTag("EndBlock");
}

void EndBlock::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("EndBlock");
  ChartItem::ReadXML(reader, fixups, ids);
  reader->CloseTag("EndBlock");
}

void CallSub::WriteXML(XMLWriter* writer) {
  writer->OpenTag("CallSub");
  ChartItem::WriteXML(writer);
  writer->TextTag("Sub", target ? target->name : std::string());
  writer->CloseTag("CallSub");
}

void CallSub::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("CallSub");
  ChartItem::ReadXML(reader, fixups, ids);
  std::string name;
  reader->TextTag("Sub", &name);
  fixups->emplace_back(&target, std::move(name));
  reader->CloseTag("CallSub");
}

void Comment::WriteXML(XMLWriter* writer) {
  writer->OpenTag("Comment");
  ChartItem::WriteXML(writer);
  writer->TextTag("comment", text);
  writer->CloseTag("Comment");
}

void Comment::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("Comment");
  ChartItem::ReadXML(reader, fixups, ids);
  reader->TextTag("comment", &text);
  reader->CloseTag("Comment");
}

void Assignment::WriteXML(XMLWriter* writer) {
  writer->OpenTag("Assignment");
  ChartItem::WriteXML(writer);
  writer->TextTag("Assignment", assignment.GetString(" "));
  writer->CloseTag("Assignment");
}

void Assignment::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("Assignment");
  ChartItem::ReadXML(reader, fixups, ids);
  std::string text;
  reader->TextTag("Assignment", &text);
  assignment = ParsedAssignment(sub->project->variables, text);
  reader->CloseTag("Assignment");
}

void IfBlock::WriteXML(XMLWriter* writer) {
  writer->OpenTag("IfBlock");
  ChartItem::WriteXML(writer);
  writer->TextTag("Compare", compare.GetString(" "));
  writer->CloseTag("IfBlock");
}

void IfBlock::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("IfBlock");
  ChartItem::ReadXML(reader, fixups, ids);
  std::string text;
  reader->TextTag("Compare", &text);
  compare = ParsedCompare(sub->project->variables, text);
  reader->CloseTag("IfBlock");
}

namespace {
const char* const ArgumentNames[3] = {"Argument0", "Argument1", "Argument2"};
}

void Instruction::WriteXML(XMLWriter* writer) {
  writer->OpenTag("Instruction");
  ChartItem::WriteXML(writer);
  writer->TextTag("InstructionId", std::string(info ? info->routineName : ""));
  for (int i = 0; info && i < info->argumentCount; ++i) writer->TextTag(ArgumentNames[i], arguments[i]);
  writer->TextTag("Result", result);
  writer->CloseTag("Instruction");
}

void Instruction::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("Instruction");
  ChartItem::ReadXML(reader, fixups, ids);
  std::string routine;
  reader->TextTag("InstructionId", &routine);
  info = nullptr;
  for (const InstructionInfo& row : InstructionInfos)
    if (routine == row.routineName) {
      info = &row;
      break;
    }
  if (!info) throw XMLReaderException{UnknownInstruction};
  for (int i = 0; i < info->argumentCount; ++i) reader->TextTag(ArgumentNames[i], &arguments[i]);
  reader->TextTag("Result", &result);
  reader->CloseTag("Instruction");
}

void BlockConnector::WriteXML(XMLWriter* writer) {
  writer->OpenTag("BlockConnector");
  ChartItem::WriteXML(writer);
  writer->TextTag("StartX", startX);
  writer->TextTag("StartY", startY);
  writer->TextTag("EndX", endX);
  writer->TextTag("EndY", endY);
  if (endItem) writer->TextTag("EndItem", endItem->id);
  writer->OpenTag("MoveBys");
  for (const ConnectorPart& part : parts) writer->TextTag("MoveBy", part.moveBy);
  writer->CloseTag("MoveBys");
  writer->TextTag("ToRight", toRight ? 1 : 0);
  writer->CloseTag("BlockConnector");
}

void BlockConnector::ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) {
  reader->OpenTag("BlockConnector");
  ChartItem::ReadXML(reader, fixups, ids);
  ReadCoordinate(reader, "StartX", &startX);
  ReadCoordinate(reader, "StartY", &startY);
  ReadCoordinate(reader, "EndX", &endX);
  ReadCoordinate(reader, "EndY", &endY);
  int right = 0;
  reader->TextTag("ToRight", &right);
  toRight = right != 0;
  savedEndItem = 0;
  if (reader->GetCurrentHasChild("EndItem")) reader->TextTag("EndItem", &savedEndItem);
  DetermineParts();
  if (reader->GetCurrentHasChild("MoveBys")) {
    reader->OpenTag("MoveBys");
    for (size_t i = 0; reader->GetCurrentHasChild("MoveBy"); ++i) {
      int moveBy = 0;
      ReadCoordinate(reader, "MoveBy", &moveBy);
      if (i < parts.size()) parts[i].moveBy = moveBy;  // surplus values are dropped
    }
    reader->CloseTag("MoveBys");
  }
  UpdateCanvasItem();
  reader->CloseTag("BlockConnector");
}

void BlockConnector::ReadXML(ItemIds* ids) {
  if (savedEndItem == 0) return;
  auto found = ids->find(savedEndItem);
  if (found == ids->end()) return;  // an unknown number leaves the arrow loose
  if (!found->second->HasConnectionPoint()) throw XMLReaderException{EndWithoutConnection};
  AttachEndItem(found->second);
}
