#pragma once
// The program's entry and its one top-level window. The window has no system
// frame: the whole window is client area, the main window draws all chrome,
// and the frame supplies what a system frame would (resizing borders,
// dragging by the title bar, placement when maximized). Painting goes into a
// back buffer that lives from one paint to the next. Events are forwarded to
// the main window, and after each one the window is repainted once when the
// main window's repaint flag is set.
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

class MainWindow;

// The one main window object; set by InitInstance, null after the event loop
// has ended. Never deleted.
extern MainWindow* mainWindow;

// The answers of the frame's hit test.
enum FrameHit {
  HitClient = 1,
  HitCaption = 2,
  HitLeft = 10,
  HitRight = 11,
  HitTop = 12,
  HitTopLeft = 13,
  HitTopRight = 14,
  HitBottom = 15,
  HitBottomLeft = 16,
  HitBottomRight = 17,
};

// What lies under the point (x, y) of a window with the rectangle left, top,
// right, bottom (right and bottom exclusive, same coordinates as the point):
// 8-pixel resize bands on every side (only when resizable), the title-bar
// strip between the menu bar and the window buttons, or client area.
// mainWindowWidth is the main window's client width.
int FrameHitTest(int left, int top, int right, int bottom, int x, int y, int mainWindowWidth, bool resizable = true);

class FrameWindow : public QWidget {
public:
  static constexpr int InitialWidth = 800;
  static constexpr int InitialHeight = 600;

  FrameWindow();
  ~FrameWindow() override;

  // Offset and size of the painted area inside the window; zero unless
  // maximized on a screen whose work area is smaller than the window.
  int paintX = 0, paintY = 0;
  int paintWidth = 0, paintHeight = 0;
  // 1 from a left-button press in the client area until its release is forwarded.
  int mainWindowButtonState = 0;
  bool recreateBackBuffer = true;
  // Repaints requested through the main window's repaint flag.
  int repaintRequests = 0;

  // The size the main window paints.
  QSize PaintedSize() const;
  // The last picture painted (empty before the first paint).
  static const QImage& BackBuffer();
  // After a crash the picture stays as it was: paints only copy it.
  static void FreezePicture();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  // The repaint test after every forwarded event.
  void AfterEvent();
  // Works out the paint offsets from the window state; true when they changed.
  bool UpdatePaintArea();
  void ResizeMainWindow();
  int HitAt(QPoint local) const;
  void StartFrameDrag(int hit, QPoint global);
  void ShowBandCursor(int hit);

  // A move or resize that the frame carries out itself, when the window
  // system does not (no window manager).
  int dragHit = 0;
  QPoint dragStart;
  QRect dragGeometry;
  bool bandCursorShown = false;
  QCursor savedCursor;
};

// Creates the frame window and the main window on it; the main window exists
// before the frame is shown.
FrameWindow* InitInstance(bool show);

// theSettings reads the settings file before the application exists, when
// its complaints can only go to standard error: reads the file once more
// once message boxes can be shown, so that they reach the user.
void ShowSettingsFileComplaints();
// Writes changed settings at the end of the event loop, while a failure can
// still be shown in a box (theSettings' own save at exit comes too late).
void SaveChangedSettings();

// The whole program: start-up, event loop, shut-down. Returns the exit code.
int PellburneMain(int argc, char** argv);

// Win32 key code of a Qt key as the chart view expects it (0 for keys it
// does not know).
int VirtualKeyOf(int qtKey);
// Mouse-key flags of an event: left 1, right 2, Shift 4, Ctrl 8, middle 16.
int MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
