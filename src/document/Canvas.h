#pragma once
// The item store of one chart: the rectangles of its items in drawing order
// (first = bottom, last = topmost) and the view transform of the chart view.
// Entries may be removed while a walk runs; walks only null the slot then and
// close the gaps once the walk is over. An entry stands in one store at most
// once and knows its slot there, so removing it needs no search.

struct CanvasItemS {
  int x, y;           // top-left corner, world units
  int w, h;           // size, world units
  void* data;         // the owner
  unsigned slot = 0;  // index in the store's array, kept by the store
};

struct CanvasS {
  CanvasItemS** items;
  unsigned count;      // slots in use (null slots included while a walk runs)
  unsigned freeSlots;  // allocated slots behind count
  int viewWidth, viewHeight;
  double originX, originY;
  double viewWorldWidth, viewWorldHeight;
  double zoom;
  // Smallest box holding (0, 0) and every rectangle ever placed; never shrinks.
  int minX, minY, maxX, maxY;
  unsigned char compactOnRemove;
};

typedef void (*CanvasCallback)(CanvasS* canvas, CanvasItemS* entry, void* userData);
typedef void (*CanvasPointCallback)(CanvasS* canvas, CanvasItemS* entry, void* userData, int x, int y);

// Slots added at once when the array is full.
constexpr unsigned CanvasGrowth = 256;

void CanvasInit(CanvasS* canvas);
void CanvasFree(CanvasS* canvas);
void CanvasItemAdd(CanvasS* canvas, CanvasItemS* entry);
void CanvasItemUpdate(CanvasS* canvas, CanvasItemS* entry);
void CanvasItemRemove(CanvasS* canvas, CanvasItemS* entry);
int CanvasRearrangeItems(CanvasS* canvas);
void CanvasSetViewSize(CanvasS* canvas, int w, int h);
void CanvasSetViewOrigin(CanvasS* canvas, int x, int y);
void CanvasSetZoom(CanvasS* canvas, double z);
void CanvasZoomWithSteadyPoint(CanvasS* canvas, double z, int px, int py);
void CanvasForeachItem(CanvasS* canvas, CanvasCallback callback, void* userData);
void CanvasForeachItemInRect(CanvasS* canvas, int x, int y, int w, int h, CanvasCallback callback, void* userData);
void CanvasForeachItemAt(CanvasS* canvas, int x, int y, CanvasPointCallback callback, void* userData);
void CanvasGetScrollbarInfo(CanvasS* canvas, double* hPos, double* hSize, double* vPos, double* vSize);
bool IntersectRectangles(int x1, int y1, int w1, int h1, int x2, int y2, int w2, int h2);
// Widens the extent of the chart to hold the rectangle.
void CanvasWidenExtent(CanvasS* canvas, int x, int y, int w, int h);

// Runs `work` with removals reduced to emptying their slots, then closes the
// gaps once if the store compacts normally: many removals in linear time.
template <typename Work>
void CanvasHoldCompaction(CanvasS* canvas, Work work) {
  unsigned char compact = canvas->compactOnRemove;
  canvas->compactOnRemove = 0;
  work();
  if (compact) CanvasRearrangeItems(canvas);
  canvas->compactOnRemove = compact;
}
