#include "editor/Pellburne.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

#include "editor/CrashReport.h"
#include "editor/MainWindow.h"
#include "editor/ProgramIcon.h"
#include "language/Settings.h"
#include "toolkit/MessageBox.h"
#include "toolkit/QtDrawing.h"
#include "toolkit/QtWindow.h"
#include "toolkit/WindowServices.h"

MainWindow* mainWindow = nullptr;

namespace {

const char* const WindowTitle = "Pellburne v1.0";
const char* const WindowClass = "MainWindow";
constexpr int ResizeBand = 8;

// The back buffer. A plain global: the crash report reads it from whichever
// thread crashed.
QImage backBuffer;
bool pictureFrozen = false;

Qt::Edges EdgesOf(int hit) {
  switch (hit) {
  case HitLeft:
    return Qt::LeftEdge;
  case HitRight:
    return Qt::RightEdge;
  case HitTop:
    return Qt::TopEdge;
  case HitBottom:
    return Qt::BottomEdge;
  case HitTopLeft:
    return Qt::TopEdge | Qt::LeftEdge;
  case HitTopRight:
    return Qt::TopEdge | Qt::RightEdge;
  case HitBottomLeft:
    return Qt::BottomEdge | Qt::LeftEdge;
  case HitBottomRight:
    return Qt::BottomEdge | Qt::RightEdge;
  default:
    return {};
  }
}

Qt::CursorShape CursorOf(int hit) {
  switch (hit) {
  case HitLeft:
  case HitRight:
    return Qt::SizeHorCursor;
  case HitTop:
  case HitBottom:
    return Qt::SizeVerCursor;
  case HitTopLeft:
  case HitBottomRight:
    return Qt::SizeFDiagCursor;
  default:
    return Qt::SizeBDiagCursor;
  }
}

bool IsBand(int hit) { return hit >= HitLeft; }

}  // namespace

int FrameHitTest(int left, int top, int right, int bottom, int x, int y, int mainWindowWidth, bool resizable) {
  if (resizable) {
    bool onLeft = left <= x && x <= left + ResizeBand - 1;
    bool onRight = right - ResizeBand <= x && x < right;
    bool onTop = top <= y && y <= top + ResizeBand - 1;
    bool onBottom = bottom - ResizeBand <= y && y < bottom;
    if (onBottom && onLeft) return HitBottomLeft;
    if (onBottom && onRight) return HitBottomRight;
    if (onTop && onLeft) return HitTopLeft;
    if (onTop && onRight) return HitTopRight;
    if (onLeft) return HitLeft;
    if (onRight) return HitRight;
    if (onBottom) return HitBottom;
    if (onTop) return HitTop;
  }
  if (MainWindow::TabBarX < x - left && x - left < mainWindowWidth - MainWindow::SystemButtonsWidth &&
      y - top < MainWindow::TabBarY)
    return HitCaption;
  return HitClient;
}

int VirtualKeyOf(int qtKey) {
  switch (qtKey) {
  case Qt::Key_Backspace:
    return 8;
  case Qt::Key_Tab:
    return 9;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return 13;
  case Qt::Key_Escape:
    return 27;
  case Qt::Key_Space:
    return 32;
  case Qt::Key_Left:
    return 37;
  case Qt::Key_Up:
    return 38;
  case Qt::Key_Right:
    return 39;
  case Qt::Key_Down:
    return 40;
  case Qt::Key_Insert:
    return 45;
  case Qt::Key_Delete:
    return 46;
  }
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
  return 0;
}

int MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  int keys = 0;
  if (buttons & Qt::LeftButton) keys |= 1;
  if (buttons & Qt::RightButton) keys |= 2;
  if (modifiers & Qt::ShiftModifier) keys |= 4;
  if (modifiers & Qt::ControlModifier) keys |= 8;
  if (buttons & Qt::MiddleButton) keys |= 16;
  return keys;
}

// --- Frame window -----------------------------------------------------------------

FrameWindow::FrameWindow() {
  setObjectName(WindowClass);
  setWindowTitle(QString::fromUtf8(WindowTitle));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  // The picture covers the whole window: nothing to erase underneath.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // Room for the menu bar, the tab strip and the tool bar.
  setMinimumSize(400, 400);
  resize(InitialWidth, InitialHeight);
}

FrameWindow::~FrameWindow() { backBuffer = QImage(); }

const QImage& FrameWindow::BackBuffer() { return backBuffer; }

void FrameWindow::FreezePicture() { pictureFrozen = true; }

QSize FrameWindow::PaintedSize() const {
  return QSize(paintWidth ? paintWidth : width(), paintHeight ? paintHeight : height());
}

void FrameWindow::AfterEvent() {
  if (mainWindow && mainWindow->needsRepaint) {
    update();
    mainWindow->needsRepaint = false;
    ++repaintRequests;
  }
}

bool FrameWindow::UpdatePaintArea() {
  int x = 0, y = 0, w = 0, h = 0;
  if (isMaximized()) {
    QScreen* monitor = screen();
    if (!monitor) return false;
    // The window can be larger than the work area it is maximized on: paint
    // the work area's size, centred.
    QRect area = monitor->availableGeometry();
    w = std::min(std::abs(area.width()), width());
    h = std::min(std::abs(area.height()), height());
    x = (width() - w) / 2;
    y = (height() - h) / 2;
  }
  bool changed = x != paintX || y != paintY || w != paintWidth || h != paintHeight;
  paintX = x;
  paintY = y;
  paintWidth = w;
  paintHeight = h;
  return changed;
}

void FrameWindow::ResizeMainWindow() {
  QSize size = PaintedSize();
  if (mainWindow) mainWindow->OnResize(size.width(), size.height());
  recreateBackBuffer = true;
}

void FrameWindow::paintEvent(QPaintEvent*) {
  QSize size = PaintedSize();
  if (!pictureFrozen) {
    if (recreateBackBuffer || backBuffer.size() != size) {
      backBuffer = QImage(size, QImage::Format_RGB32);
      backBuffer.fill(Qt::white);
      recreateBackBuffer = false;
    }
    if (mainWindow) {
      QtDrawing drawing(backBuffer);
      mainWindow->OnPaint(&drawing);
    }
  }
  QPainter painter(this);
  if (paintX || paintY || size != this->size()) painter.fillRect(rect(), ToQColor(Stock::Grey));
  painter.drawImage(paintX, paintY, backBuffer);
}

void FrameWindow::resizeEvent(QResizeEvent*) {
  UpdatePaintArea();
  ResizeMainWindow();
  AfterEvent();
}

void FrameWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (UpdatePaintArea()) ResizeMainWindow();
  // The maximise glyph and the frame depend on the state.
  update();
}

int FrameWindow::HitAt(QPoint local) const {
  return FrameHitTest(0, 0, width(), height(), local.x(), local.y(), mainWindow ? mainWindow->width : width(),
                      !isMaximized() && !isFullScreen());
}

void FrameWindow::StartFrameDrag(int hit, QPoint global) {
  QWindow* window = windowHandle();
  bool system = false;
  if (window) system = hit == HitCaption ? window->startSystemMove() : window->startSystemResize(EdgesOf(hit));
  if (system) return;
  dragHit = hit;
  dragStart = global;
  dragGeometry = geometry();
}

void FrameWindow::ShowBandCursor(int hit) {
  if (IsBand(hit)) {
    if (!bandCursorShown) savedCursor = cursor();
    bandCursorShown = true;
    setCursor(CursorOf(hit));
  } else if (bandCursorShown) {
    bandCursorShown = false;
    setCursor(savedCursor);
  }
}

void FrameWindow::leaveEvent(QEvent*) {
  if (!dragHit) ShowBandCursor(HitClient);
}

void FrameWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pictureFrozen) return;
  QPoint pos = event->position().toPoint();
  int hit = HitAt(pos);
  if (hit != HitClient) {
    StartFrameDrag(hit, event->globalPosition().toPoint());
    return;
  }
  if (mainWindow)
    mainWindow->OnMouseDown(pos.x() - paintX, pos.y() - paintY, MouseKeyState(event->buttons(), event->modifiers()));
  mainWindowButtonState = 1;
  AfterEvent();
}

void FrameWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragHit) {
    dragHit = 0;
    return;
  }
  // A release whose press happened elsewhere is not ours.
  if (mainWindowButtonState != 1) return;
  QPoint pos = event->position().toPoint();
  if (mainWindow)
    mainWindow->OnMouseUp(pos.x() - paintX, pos.y() - paintY, MouseKeyState(event->buttons(), event->modifiers()));
  mainWindowButtonState = 0;
  AfterEvent();
}

void FrameWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pictureFrozen) return;
  QPoint pos = event->position().toPoint();
  int hit = HitAt(pos);
  if (hit == HitCaption) {
    // As a system title bar does.
    if (isMaximized())
      showNormal();
    else
      showMaximized();
    return;
  }
  if (hit != HitClient) return;
  if (mainWindow)
    mainWindow->OnMouseDoubleClick(pos.x() - paintX, pos.y() - paintY,
                                   MouseKeyState(event->buttons(), event->modifiers()));
  AfterEvent();
}

void FrameWindow::mouseMoveEvent(QMouseEvent* event) {
  QPoint pos = event->position().toPoint();
  if (dragHit) {
    QPoint delta = event->globalPosition().toPoint() - dragStart;
    QRect r = dragGeometry;
    if (dragHit == HitCaption) {
      move(r.topLeft() + delta);
      return;
    }
    Qt::Edges edges = EdgesOf(dragHit);
    int minW = minimumWidth(), minH = minimumHeight();
    if (edges & Qt::LeftEdge) r.setLeft(std::min(r.left() + delta.x(), r.right() + 1 - minW));
    if (edges & Qt::RightEdge) r.setRight(std::max(r.right() + delta.x(), r.left() + minW - 1));
    if (edges & Qt::TopEdge) r.setTop(std::min(r.top() + delta.y(), r.bottom() + 1 - minH));
    if (edges & Qt::BottomEdge) r.setBottom(std::max(r.bottom() + delta.y(), r.top() + minH - 1));
    setGeometry(r);
    return;
  }
  int hit = HitAt(pos);
  if (mainWindowButtonState != 1) {
    ShowBandCursor(hit);
    // Moves over the frame's own parts are not the main window's.
    if (hit != HitClient) return;
  }
  if (pictureFrozen) return;
  if (mainWindow)
    mainWindow->OnMouseMove(pos.x() - paintX, pos.y() - paintY, MouseKeyState(event->buttons(), event->modifiers()));
  AfterEvent();
}

void FrameWindow::wheelEvent(QWheelEvent* event) {
  int delta = event->angleDelta().y();
  if (delta == 0 || pictureFrozen) return;
  QPoint pos = event->position().toPoint();
  int x = pos.x(), y = pos.y();
  if (x < 0 || x > width() || y < 0 || y > height()) {
    x = -1;
    y = height() + 1;
  }
  if (mainWindow) mainWindow->OnMouseWheel(delta / 120.0, x, y, MouseKeyState(event->buttons(), event->modifiers()));
  AfterEvent();
}

void FrameWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat() || pictureFrozen) return;
  if (mainWindow) mainWindow->OnKeyUp(VirtualKeyOf(event->key()), 0);
  AfterEvent();
}

void FrameWindow::closeEvent(QCloseEvent* event) {
  if (!mainWindow || mainWindow->OnClose()) {
    event->accept();
    return;
  }
  event->ignore();
  AfterEvent();
}

void ShowSettingsFileComplaints() {
  // The same file gives the same settings as theSettings holds: only the
  // boxes are new.
  Settings reread;
}

void SaveChangedSettings() {
  if (!theSettings.changed) return;
  theSettings.WriteConfig();
  theSettings.changed = false;
}

// --- Entry -------------------------------------------------------------------------

FrameWindow* InitInstance(bool show) {
  auto* frame = new FrameWindow();
  frame->setWindowIcon(ProgramIcon());
  mainWindow = new MainWindow(FromWidget(frame), frame->width(), frame->height());
  if (show) frame->show();
  return frame;
}

int PellburneMain(int argc, char** argv) {
  // A crashed pellburne starts itself again to report the crash.
  if (IsCrashReporterCall(argc, argv)) return CrashReporterMain(argc, argv);
  QApplication application(argc, argv);
  QApplication::setWindowIcon(ProgramIcon());
  UseGermanQtTexts();
  MessageBox::UseQtMessageBoxes();
  ShowSettingsFileComplaints();
  InstallCrashHandler();
  FrameWindow* frame = InitInstance(true);
  int code = application.exec();
  mainWindow = nullptr;
  delete frame;
  SaveChangedSettings();
  // No boxes once the application is gone.
  MessageBox::SetService({});
  return code;
}
