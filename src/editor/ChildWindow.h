#pragma once
// A region of the main window that takes its own paint, size, mouse and key
// events. Coordinates are pixels relative to the region's top-left corner.
class Drawing;

class ChildWindow {
public:
  virtual void OnPaint(Drawing* drawing) = 0;
  virtual void OnResize(int width, int height) = 0;
  virtual void OnMouseDown(int x, int y, int keys) = 0;
  virtual void OnMouseMove(int x, int y, int keys) = 0;
  virtual void OnMouseUp(int x, int y, int keys) = 0;
  virtual void OnMouseDoubleClick(int x, int y, int keys) = 0;
  // notches > 0: turned away from the user.
  virtual void OnMouseWheel(double notches, int x, int y, int keys) = 0;
  virtual void OnKeyUp(int key, int second) = 0;
  virtual ~ChildWindow() = default;
};

// Mouse-key flags and key codes of the events, as the window procedure
// passes them on.
constexpr int MK_SHIFT = 4;
constexpr int MK_CONTROL = 8;
constexpr int VK_DELETE = 46;
