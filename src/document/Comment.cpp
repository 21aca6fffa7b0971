#include "document/Comment.h"

Comment::Comment(Sub* sub, int x, int y) : ChartItem(sub, x, y, Width, Height) { dependent = false; }

Comment::Comment(Sub* sub) : ChartItem(sub, Width, Height) { dependent = false; }

bool Comment::WantsDrag(int, int) { return false; }
bool Comment::IsInItem(int, int) { return true; }
bool Comment::IsInItem(int, int, int, int) { return true; }
bool Comment::HasConnectionPoint() { return false; }
