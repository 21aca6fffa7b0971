#pragma once
// The chart view: shows one sub and turns mouse and key input into edits of
// it -- selecting by click or rubber band, moving the selection on an 8-unit
// grid, dragging an arrow's end or middle part, placing the block of the
// chosen tool, editing by double-click, deleting, zooming and scrolling.
// Coordinates of events are view pixels; the items live in world units.
#include <unordered_set>
#include <vector>

#include "document/BlockConnector.h"
#include "document/Canvas.h"
#include "editor/ChildWindow.h"
#include "toolkit/NativeWindow.h"

class Sub;
class ChartItem;
struct InstructionInfo;

// What the chart view needs of the window it lives in: the window that owns
// dialogs and the cursor, and the two flags the view sets. The main window is
// one.
struct ChartViewOwner {
  NativeWindow hwnd = nullptr;
  bool needsRepaint = false;  // the window is repainted once after the event
  bool modified = false;      // the project changed since it was loaded or saved
};

enum MouseMode {
  ModeIdle = 0,
  ModeRubberBand = 1,     // press on empty chart
  ModeDragItem = 2,       // an item's own drag: an arrow's end or middle part
  ModeMoveSelection = 3,  // moving the selected blocks
};

// The block kind the next release places; the values are the tool bar's.
enum InsertTool {
  InsertNone = 0,
  InsertIfBlock = 2,
  InsertInstruction = 3,
  InsertEndBlock = 5,
  InsertAssignment = 6,
  InsertCallSub = 7,
  InsertComment = 8,
};

class ChartView : public ChildWindow {
public:
  // Largest distance from the world origin the view scrolls to and places or
  // moves items at; project files hold coordinates up to twice as far, so
  // blocks and their arrows around such a point still save and load.
  static constexpr int ScrollLimit = 1 << 23;

  Sub* sub = nullptr;  // the sub shown; set by the owner before the first event
  ChartViewOwner* owner;
  int mouseMode = ModeIdle;
  int pressX = 0, pressY = 0;  // view pixels of the last press
  ChartItem* pressedItem = nullptr;
  bool rubberBandShown = false;
  // View pixels while the button is down, world units after the release.
  struct {
    int x, y, w, h;
  } rubberBand = {0, 0, 0, 0};
  int lastGridX = 0, lastGridY = 0;  // last snapped world point of a selection move
  int insertTool = InsertNone;
  const InstructionInfo* insertInfo = nullptr;  // catalogue row for the instruction tool

  explicit ChartView(ChartViewOwner* owner);

  void OnPaint(Drawing* drawing) override;
  void OnResize(int width, int height) override;
  void OnMouseDown(int x, int y, int keys) override;
  void OnMouseMove(int x, int y, int keys) override;
  void OnMouseUp(int x, int y, int keys) override;
  void OnMouseDoubleClick(int x, int y, int keys) override;
  void OnMouseWheel(double notches, int x, int y, int keys) override;
  void OnKeyUp(int key, int second) override;
  // The view owns nothing.
  ~ChartView() override = default;

  // The release without an insert tool.
  void OnMouseUpPointer(int x, int y, int keys);

  // Canvas callbacks.
  static void PaintItem(CanvasS* canvas, CanvasItemS* entry, void* pass);
  static void GetElementAtHelper(CanvasS* canvas, CanvasItemS* entry, void* result, int x, int y);
  static void SelectionRectHelper(CanvasS* canvas, CanvasItemS* entry, void* view);
  static void FindConnectorsAtInsert(CanvasS* canvas, CanvasItemS* entry, void* search);

  // The nearest multiple of 8, a remainder of 4 going up.
  static int Snap(int v) { return (v + 4) & ~7; }
  // The world point under a view pixel, truncated toward zero.
  int WorldX(int px) const;
  int WorldY(int py) const;
  // The topmost item under the view pixel whose fine test holds; null if none.
  ChartItem* GetElementAt(int px, int py);
  // The state an item is painted in: greyed, selected, marked.
  static int PaintState(const Sub* sub, const ChartItem* item);
  // The same, told whether the item is in the selection.
  static int PaintState(const Sub* sub, const ChartItem* item, bool selected);

private:
  // One repaint: the surface and the selection as a set.
  struct PaintPass {
    Drawing* drawing;
    std::unordered_set<const ChartItem*> selected;
  };
  // Loose end of an arrow found under a newly placed block.
  struct InsertSearch {
    ChartItem* block;
    BlockConnector* found;
  };
  // What a drag of an arrow can change, to tell a drag that changed the
  // chart from one that came back to where it started.
  struct ConnectorShape {
    ChartItem* endItem;
    int endX, endY;
    std::vector<ConnectorPart> parts;
    bool operator==(const ConnectorShape& other) const;
  };

  CanvasS* Canvas() const;
  void SelectOnly(ChartItem* item);
  void Repaint() { owner->needsRepaint = true; }
  void SetModified() { owner->modified = true; }
  bool IsClick(int x, int y) const;
  void InsertBlock(int x, int y);
  void DeleteSelection();
  void ClampOrigin();
  static ConnectorShape ShapeOf(ChartItem* item);

  // Grid point of the press of a selection move, and the arrow's shape at the
  // press of a drag.
  int pressGridX = 0, pressGridY = 0;
  ConnectorShape pressShape;
};
