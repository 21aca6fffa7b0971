#include "document/Assignment.h"

#include "document/BlockConnector.h"

Assignment::Assignment(Sub* sub, int x, int y) : ProgramBlock(sub, x, y, Width, Height) {
  dependent1 = new BlockConnector(sub, x + Width / 2, y + Height, false);
}

Assignment::Assignment(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool Assignment::IsInItem(int, int) { return true; }
bool Assignment::IsInItem(int, int, int, int) { return true; }
