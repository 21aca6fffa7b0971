#pragma once
// The project the save and load benchmarks measure with.
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"

#include <string>

namespace bench {

// Three subs of twenty blocks, as a class's project has.
inline void MakeTypicalProject(Project& project) {
  for (int s = 0; s < 3; ++s) {
    Sub* sub = project.AddChart();
    ChartItem* previous = sub->start;
    for (int i = 1; i <= 20; ++i) {
      ChartItem* block;
      if (i % 2) {
        auto* a = new Assignment(sub, 320, 32 + 104 * i);
        a->assignment = ParsedAssignment(project.variables, "var1 = var2 + " + std::to_string(i));
        block = a;
      } else {
        auto* in = new Instruction(sub, 320, 32 + 104 * i, &Instruction::InstructionInfos[11]);
        in->arguments[0] = std::to_string(i * 10);
        block = in;
      }
      static_cast<BlockConnector*>(previous->dependent1)->ConnectTo(block);
      previous = block;
    }
    static_cast<BlockConnector*>(previous->dependent1)->ConnectTo(new EndBlock(sub, 320, 32 + 104 * 21));
  }
}

}  // namespace bench
