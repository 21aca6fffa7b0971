#include "document/ProgramFlow.h"

#include "document/BlockConnector.h"

StartBlock::StartBlock(Sub* sub, int x, int y) : ProgramBlock(sub, x, y, Width, Height) {
  dependent1 = new BlockConnector(sub, x + Width / 2, y + Height, false);
}

StartBlock::StartBlock(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool StartBlock::IsInItem(int, int) { return true; }
bool StartBlock::IsInItem(int, int, int, int) { return true; }
bool StartBlock::HasConnectionPoint() { return false; }

EndBlock::EndBlock(Sub* sub, int x, int y) : ProgramBlock(sub, x, y, Width, Height) {}

EndBlock::EndBlock(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool EndBlock::IsInItem(int, int) { return true; }
bool EndBlock::IsInItem(int, int, int, int) { return true; }
bool EndBlock::HasConnectionPoint() { return true; }

CallSub::CallSub(Sub* sub, int x, int y) : ProgramBlock(sub, x, y, Width, Height) {
  dependent1 = new BlockConnector(sub, x + Width / 2, y + Height, false);
}

CallSub::CallSub(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool CallSub::IsInItem(int, int) { return true; }
bool CallSub::IsInItem(int, int, int, int) { return true; }
