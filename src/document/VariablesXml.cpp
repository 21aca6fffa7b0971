// The operand table's form in the project file, kept beside the project
// file code so that the operand table does not depend on the XML layer.
#include "document/XmlReader.h"
#include "document/XmlWriter.h"
#include "language/Variables.h"

namespace {

struct PlainList {
  const char* list;
  const char* leaf;
  int kind;
};

const PlainList PlainLists[] = {
    {"Integers", "Integer", VariableKind::Integer},
    {"Ports", "Port", VariableKind::Port},
    {"Pins", "Pin", VariableKind::Pin},
    {"ADCs", "ADC", VariableKind::ADC},
};

}  // namespace

void Variables::Write(XMLWriter* writer) const {
  for (const PlainList& list : PlainLists) {
    writer->OpenTag(list.list);
    for (const Variable* v : variableList)
      if (v->kind == list.kind && !v->aliasTarget) writer->TextTag(list.leaf, v->name);
    writer->CloseTag(list.list);
  }
  writer->OpenTag("Aliases");
  for (const Variable* v : variableList) {
    if (!v->aliasTarget) continue;
    writer->OpenTag("Alias");
    writer->TextTag("Name", v->name);
    writer->TextTag("Target", v->aliasTarget->name);
    writer->CloseTag("Alias");
  }
  writer->CloseTag("Aliases");
}

void Variables::Read(XMLReader* reader) {
  for (Variable* v : variableList) delete v;
  variableList.clear();

  for (const PlainList& list : PlainLists) {
    reader->OpenTag(list.list);
    while (reader->CurrentHasChildren()) {
      std::string name;
      reader->TextTag(list.leaf, &name);
      variableList.push_back(new Variable(std::move(name), list.kind));
    }
    reader->CloseTag(list.list);
  }

  reader->OpenTag("Aliases");
  while (reader->CurrentHasChildren()) {
    std::string name, target;
    reader->OpenTag("Alias");
    reader->TextTag("Name", &name);
    reader->TextTag("Target", &target);
    // An alias whose target is not (yet) in the table is dropped.
    if (Variable* found = GetOperand(target)) variableList.push_back(new Variable(std::move(name), found));
    reader->CloseTag("Alias");
  }
  reader->CloseTag("Aliases");
}
