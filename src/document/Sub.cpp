#include "document/Sub.h"

#include "document/ChartItem.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"

#include <type_traits>

// The canvas walks hand back the CanvasS*, which must be the sub itself.
static_assert(std::is_standard_layout_v<Sub>, "Sub must stay standard-layout to begin with its canvas");

Sub::Sub(Project* project) : project(project), start(nullptr), errorItem(nullptr) {
  CanvasInit(&canvas);
  CanvasSetViewOrigin(&canvas, 0, 0);
  start = new StartBlock(this, 320, 32);
  if (project->subs.empty()) {
    name = "Start";
    return;
  }
  // Call blocks find their sub by name in the file: after a deletion the
  // count of subs may be taken already, so the next free number is used.
  size_t number = project->subs.size();
  while (project->HasSubNamed("Funktion" + std::to_string(number))) ++number;
  name = "Funktion" + std::to_string(number);
}

Sub::~Sub() {
  // No call block may keep pointing at this sub. A project that frees all its
  // subs has emptied its list first: then there is nobody left to tell.
  for (Sub* other : project->subs)
    if (other != this) CanvasForeachItem(&other->canvas, DeleteReferences, this);
  // Topmost first: the items go in the reverse order of their making, which
  // is the cheapest order for the allocator to take memory back.
  CanvasHoldCompaction(&canvas, [this] {
    for (unsigned i = canvas.count; i-- > 0;)
      if (CanvasItemS* entry = canvas.items[i]) DeleteItem(&canvas, entry, nullptr);
  });
  // Left now are only arrows that no block owns (a file may hold them, and a
  // load that failed half-way leaves them behind): nobody else frees them.
  CanvasForeachItem(
      &canvas, [](CanvasS*, CanvasItemS* entry, void*) { delete ChartItem::FromCanvas(entry); }, nullptr);
  CanvasFree(&canvas);
}

void Sub::DeleteItem(CanvasS*, CanvasItemS* entry, void*) {
  ChartItem* item = ChartItem::FromCanvas(entry);
  // Arrows go with the block that owns them.
  if (!item->dependent) delete item;
}

void Sub::IdentifyItems(CanvasS*, CanvasItemS* entry, void* userData) {
  int* counter = static_cast<int*>(userData);
  ChartItem::FromCanvas(entry)->id = ++*counter;
}

void Sub::DeleteReferences(CanvasS*, CanvasItemS* entry, void* userData) {
  if (auto* call = dynamic_cast<CallSub*>(ChartItem::FromCanvas(entry)))
    if (call->target == static_cast<Sub*>(userData)) call->target = nullptr;
}
