#include "document/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <new>

void CanvasInit(CanvasS* canvas) {
  canvas->items = nullptr;
  canvas->count = 0;
  canvas->freeSlots = 0;
  canvas->originX = canvas->originY = 0;
  canvas->viewWidth = 0;
  canvas->viewHeight = 0;
  canvas->viewWorldWidth = 0;
  canvas->viewWorldHeight = 0;
  canvas->zoom = 1.0;
  canvas->minX = canvas->minY = canvas->maxX = canvas->maxY = 0;
  canvas->compactOnRemove = 1;
}

void CanvasFree(CanvasS* canvas) {
  free(canvas->items);
  canvas->items = nullptr;
  canvas->count = 0;
  canvas->freeSlots = 0;
}

void CanvasItemAdd(CanvasS* canvas, CanvasItemS* entry) {
  if (canvas->freeSlots == 0) {
    void* grown = realloc(canvas->items, (canvas->count + CanvasGrowth) * sizeof(CanvasItemS*));
    if (!grown) throw std::bad_alloc();
    canvas->items = static_cast<CanvasItemS**>(grown);
    canvas->freeSlots = CanvasGrowth;
  }
  entry->slot = canvas->count;
  canvas->items[canvas->count++] = entry;
  canvas->freeSlots--;
}

void CanvasItemUpdate(CanvasS*, CanvasItemS*) {}

void CanvasItemRemove(CanvasS* canvas, CanvasItemS* entry) {
  unsigned i = entry->slot;
  // An entry that is not where the store put it is not in this store.
  if (i >= canvas->count || canvas->items[i] != entry) return;
  if (!canvas->compactOnRemove) {
    canvas->items[i] = nullptr;
    return;
  }
  for (; i + 1 < canvas->count; i++) {
    canvas->items[i] = canvas->items[i + 1];
    if (canvas->items[i]) canvas->items[i]->slot = i;
  }
  canvas->count--;
  canvas->freeSlots++;
}

int CanvasRearrangeItems(CanvasS* canvas) {
  unsigned kept = 0;
  for (unsigned i = 0; i < canvas->count; i++) {
    CanvasItemS* e = canvas->items[i];
    if (!e) continue;
    // Entries before the first gap stay where they are; leave them untouched.
    if (kept != i) {
      canvas->items[kept] = e;
      e->slot = kept;
    }
    kept++;
  }
  unsigned removed = canvas->count - kept;
  canvas->count = kept;
  canvas->freeSlots += removed;
  return static_cast<int>(removed);
}

void CanvasSetViewSize(CanvasS* canvas, int w, int h) {
  canvas->viewWidth = w;
  canvas->viewHeight = h;
  canvas->viewWorldWidth = w / canvas->zoom;
  canvas->viewWorldHeight = h / canvas->zoom;
}

void CanvasSetViewOrigin(CanvasS* canvas, int x, int y) {
  canvas->originX = x;
  canvas->originY = y;
}

void CanvasSetZoom(CanvasS* canvas, double z) {
  canvas->zoom = z;
  canvas->viewWorldWidth = canvas->viewWidth / z;
  canvas->viewWorldHeight = canvas->viewHeight / z;
}

void CanvasZoomWithSteadyPoint(CanvasS* canvas, double z, int px, int py) {
  double wx = px / canvas->zoom + canvas->originX;
  double wy = py / canvas->zoom + canvas->originY;
  CanvasSetZoom(canvas, z);
  canvas->originX = wx - px / z;
  canvas->originY = wy - py / z;
}

namespace {

bool Contains(const CanvasItemS* e, int px, int py) {
  return e->x <= px && px <= e->x + e->w && e->y <= py && py <= e->y + e->h;
}

}  // namespace

void CanvasForeachItem(CanvasS* canvas, CanvasCallback callback, void* userData) {
  CanvasHoldCompaction(canvas, [&] {
    // count is read again on each turn: entries added by a callback are visited too
    for (unsigned i = 0; i < canvas->count; i++)
      if (CanvasItemS* e = canvas->items[i]) callback(canvas, e, userData);
  });
}

void CanvasForeachItemInRect(CanvasS* canvas, int x, int y, int w, int h, CanvasCallback callback, void* userData) {
  CanvasHoldCompaction(canvas, [&] {
    for (unsigned i = 0; i < canvas->count; i++) {
      CanvasItemS* e = canvas->items[i];
      if (e && IntersectRectangles(e->x, e->y, e->w, e->h, x, y, w, h)) callback(canvas, e, userData);
    }
  });
}

void CanvasForeachItemAt(CanvasS* canvas, int x, int y, CanvasPointCallback callback, void* userData) {
  CanvasHoldCompaction(canvas, [&] {
    for (unsigned i = canvas->count; i-- > 0;) {
      CanvasItemS* e = canvas->items[i];
      if (e && Contains(e, x, y)) callback(canvas, e, userData, x, y);
    }
  });
}

namespace {

void ScrollFraction(double origin, double viewWorld, int min, int max, double* pos, double* size) {
  double extent = static_cast<double>(max) - min;
  if (extent <= 0) {  // nothing placed yet: the view shows all
    *pos = 0;
    *size = 1.0;
    return;
  }
  *size = std::min(1.0, viewWorld / extent);
  double upper = max - viewWorld;
  double c = origin - min;
  if (upper <= 0)
    c = 0;
  else
    c = std::clamp(c, 0.0, upper);
  *pos = c / extent;
}

}  // namespace

void CanvasGetScrollbarInfo(CanvasS* canvas, double* hPos, double* hSize, double* vPos, double* vSize) {
  ScrollFraction(canvas->originX, canvas->viewWorldWidth, canvas->minX, canvas->maxX, hPos, hSize);
  ScrollFraction(canvas->originY, canvas->viewWorldHeight, canvas->minY, canvas->maxY, vPos, vSize);
}

bool IntersectRectangles(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2) {
  return w1 + w2 > std::max(x1 + w1, x2 + w2) - std::min(x1, x2) &&
         h1 + h2 > std::max(y1 + h1, y2 + h2) - std::min(y1, y2);
}

void CanvasWidenExtent(CanvasS* canvas, int x, int y, int w, int h) {
  canvas->minX = std::min(canvas->minX, x);
  canvas->minY = std::min(canvas->minY, y);
  canvas->maxX = std::max(canvas->maxX, x + w);
  canvas->maxY = std::max(canvas->maxY, y + h);
}
