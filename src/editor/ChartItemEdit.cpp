// Items without an edit dialog: start and end blocks, arrows.
#include "document/ChartItem.h"

bool ChartItem::OnEdit(NativeWindow) { return false; }
