#pragma once
// Helpers of the project-file tests: a text description of everything a
// project file carries, so that two projects compare as one string.
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "ModelTestUtil.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace projectfile {

inline int IndexOf(const std::vector<ChartItem*>& items, const ChartItem* item) {
  auto it = std::find(items.begin(), items.end(), item);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

inline int SubIndex(const Project& project, const Sub* sub) {
  auto it = std::find(project.subs.begin(), project.subs.end(), sub);
  return it == project.subs.end() ? -1 : static_cast<int>(it - project.subs.begin());
}

inline std::string DescribeItem(const Project& project, const std::vector<ChartItem*>& items, ChartItem* item) {
  // A stream rather than chains of "text" + std::to_string, on which GCC 12
  // warns falsely when optimising.
  std::ostringstream out;
  out << "id " << item->id << " at " << item->canvasItem.x << "," << item->canvasItem.y << " size "
      << item->canvasItem.w << "x" << item->canvasItem.h;
  out << " deps " << IndexOf(items, item->dependent1) << "," << IndexOf(items, item->dependent2);
  out << (item->dependent ? " dependent" : "");
  out << " in";
  for (auto* c : item->incomingConnectors) out << " " << IndexOf(items, c);
  if (dynamic_cast<StartBlock*>(item)) out << " StartBlock";
  if (dynamic_cast<EndBlock*>(item)) out << " EndBlock";
  if (auto* c = dynamic_cast<CallSub*>(item)) out << " CallSub -> " << SubIndex(project, c->target);
  if (auto* c = dynamic_cast<Comment*>(item)) out << " Comment [" << c->text << "]";
  if (auto* a = dynamic_cast<Assignment*>(item)) out << " Assignment [" << a->assignment.GetString(" ") << "]";
  if (auto* f = dynamic_cast<IfBlock*>(item)) out << " IfBlock [" << f->compare.GetString(" ") << "]";
  if (auto* in = dynamic_cast<Instruction*>(item)) {
    out << " Instruction " << (in->info ? in->info->routineName : "(none)");
    for (auto& a : in->arguments) out << " [" << a << "]";
    out << " -> [" << in->result << "]";
  }
  if (auto* c = dynamic_cast<BlockConnector*>(item)) {
    out << " BlockConnector " << c->startX << "," << c->startY << " to " << c->endX << "," << c->endY
        << (c->toRight ? " right" : " down") << " end " << IndexOf(items, c->endItem) << " code " << c->partsCode
        << " parts";
    for (auto& p : c->parts) out << " " << p.direction << ":" << p.moveBy;
  }
  return out.str();
}

// Everything a project file carries, plus what loading rebuilds from it
// (sizes, routes, incoming lists, the start block).
inline std::string Describe(const Project& project) {
  std::string out = "variables:";
  for (const Variable* v : project.variables.variableList) {
    out += " " + v->name + ":" + std::to_string(v->kind);
    if (v->aliasTarget) out += "->" + v->aliasTarget->name;
  }
  out += "\n";
  for (Sub* sub : project.subs) {
    std::vector<ChartItem*> items = CanvasItems(sub);
    out += "sub [" + sub->name + "] start " + std::to_string(IndexOf(items, sub->start)) + "\n";
    for (size_t i = 0; i < items.size(); ++i)
      out += "  " + std::to_string(i) + ": " + DescribeItem(project, items, items[i]) + "\n";
  }
  return out;
}

inline void ExpectConsistent(Project& project) {
  for (Sub* sub : project.subs) {
    std::vector<ChartItem*> items = CanvasItems(sub);
    ::ExpectConsistent(sub, std::set<ChartItem*>(items.begin(), items.end()));
    ASSERT_NE(sub->start, nullptr);
  }
}

}  // namespace projectfile
