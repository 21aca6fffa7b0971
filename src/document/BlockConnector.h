#pragma once
// An arrow from a point of its source block to an end point, plugged into the
// top centre of an end item or loose. Its path is stored as a route: a short
// list of axis-parallel parts picked from a table by where the end lies
// relative to the start, each part carrying an offset the user can drag.
#include <vector>

#include "document/ChartItem.h"

enum ConnectorDirection {
  DirLeft = 1,
  DirRight = 2,
  DirStraight = 4,
  DirUp = 8,
  DirDown = 16,
};

// Direction bits that make a part horizontal, and those of a vertical part.
constexpr int DirHorizontalMask = 7;
constexpr int DirVerticalMask = 0x38;

struct ConnectorPart {
  int direction;
  // The user's offset across the part's axis: a vertical part is shifted
  // right, a horizontal one down.
  int moveBy;
};

struct RoutePoint {
  int x, y;
};

class BlockConnector : public ChartItem {
public:
  static constexpr int Height = 64;  // length of a new arrow
  static constexpr int Width = 0;
  // Hit band around each part, and the canvas margin around the route.
  static constexpr int Margin = 5;

  bool toRight = false;
  ChartItem* endItem = nullptr;
  int endX = 0, endY = 0;
  int startX = 0, startY = 0;
  bool dragEnd = false;
  ConnectorPart* draggedPart = nullptr;
  int lastX = 0, lastY = 0;
  std::vector<ConnectorPart> parts;
  int partsCode = DirDown;
  int savedEndItem = 0;  // end item number read from a file, until the second loading pass

  BlockConnector(Sub* sub, int x, int y, bool toRight);
  explicit BlockConnector(Sub* sub);

  ~BlockConnector() override;
  void OnPaint(Drawing* drawing, int flags) override;  // editor
  void Move(int dx, int dy) override;
  bool WantsDrag(int x, int y) override;
  void OnDrag(int x, int y) override;
  bool IsInItem(int x, int y) override;
  bool IsInItem(int x, int y, int w, int h) override;
  void WriteXML(XMLWriter* writer) override;
  void ReadXML(XMLReader* reader, SubFixups* fixups, ItemIds* ids) override;
  // Plugs the end into the item whose number the file gave.
  void ReadXML(ItemIds* ids) override;
  void WriteCode(Compiler::Program& program) override;  // compiler

  // Route code for the current start and end: horizontal bits | vertical bit.
  int RouteCode() const;
  void DetermineParts();
  // The corner points of the route, from the start (parts.size() + 1 points).
  std::vector<RoutePoint> RoutePoints() const;
  void UpdateCanvasItem();
  ConnectorPart* GetPartAt(int x, int y);

  void ConnectTo(ChartItem* item);
  void UpdateMovedEndItem();
  void AdjustEndToPlugable(int x, int y);
  static void FindPlugableItem(CanvasS* canvas, CanvasItemS* entry, void* userData, int x, int y);
  void SetEndPoint(int x, int y);
  // Plugs the end into item (null: loose) keeping the end point, as the
  // second loading pass does.
  void AttachEndItem(ChartItem* item);

private:
  void Unplug();
  void Reroute();
};

// Whether (x, y) lies in the grab box of an arrow's end (endX, endY).
bool IsNear(int x, int y, int endX, int endY);
