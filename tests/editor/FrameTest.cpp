// The frame window: its hit test, the forwarding of events to the main window
// with one repaint per event that asks for it, double-buffered painting,
// moving and resizing without a window manager, maximizing, and closing a
// modified project.
#include <QWheelEvent>

#include <chrono>
#include <functional>

#include "MainWindowHarness.h"
#include "editor/Pellburne.h"

namespace {

using MessageBox::Result;
using namespace dialogs;

// Processes events until the condition holds, at most two seconds.
bool WaitFor(const std::function<bool()>& condition) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST(FrameHitTest, BandsCaptionAndClient) {
  const int L = 100, T = 50, R = 900, B = 650, W = 800;
  struct Case {
    int x, y, hit;
  } cases[] = {
      {L + 7, T + 7, HitTopLeft},    {L + 8, T + 7, HitTop},           {R - 8, B - 1, HitBottomRight},
      {L + 3, B - 3, HitBottomLeft}, {R - 3, T + 3, HitTopRight},      {L, T + 300, HitLeft},
      {L + 8, T + 300, HitClient},   {R - 1, T + 300, HitRight},       {R - 9, T + 300, HitClient},
      {L + 300, B - 8, HitBottom},   {L + 300, B - 9, HitClient},      {L + 216, T + 10, HitClient},
      {L + 217, T + 10, HitCaption}, {L + W - 77, T + 10, HitCaption}, {L + W - 76, T + 10, HitClient},
      {L + 300, T + 27, HitCaption}, {L + 300, T + 28, HitClient},
  };
  for (const Case& c : cases) EXPECT_EQ(FrameHitTest(L, T, R, B, c.x, c.y, W), c.hit) << c.x - L << ", " << c.y - T;
  // A maximized window has no resize bands.
  EXPECT_EQ(FrameHitTest(L, T, R, B, L + 7, T + 7, W, false), HitClient);
  EXPECT_EQ(FrameHitTest(L, T, R, B, L + 300, T + 3, W, false), HitCaption);
}

TEST(FrameInput, KeyCodesAndMouseKeyFlags) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Delete), 46);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 'A');
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F13), 0);
  EXPECT_EQ(MouseKeyState(Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier), 1 | 4 | 8);
  EXPECT_EQ(MouseKeyState(Qt::NoButton, Qt::NoModifier), 0);
}

struct Frame : ::testing::Test {
  FrameWindow* frame = nullptr;

  void SetUp() override {
    frame = InitInstance(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    frame->grab();  // a first paint, which lays out the tabs
  }
  void TearDown() override {
    delete frame;
    delete mainWindow;
    mainWindow = nullptr;
  }
  void SendWheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(at, frame->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(frame, &event);
  }
};

TEST_F(Frame, StartsAsAFramelessWindowWithTheMainWindowOnIt) {
  EXPECT_EQ(frame->windowTitle(), "Pellburne v1.0");
  EXPECT_TRUE(frame->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(frame->size(), QSize(800, 600));
  ASSERT_NE(mainWindow, nullptr);
  EXPECT_EQ(mainWindow->hwnd, FromWidget(frame));
  EXPECT_EQ(mainWindow->width, 800);
  EXPECT_EQ(mainWindow->height, 600);

  // The picture is painted into the back buffer and copied to the window.
  QImage shown = frame->grab().toImage();
  const QImage& buffer = FrameWindow::BackBuffer();
  ASSERT_EQ(buffer.size(), QSize(800, 600));
  for (QPoint p : {QPoint(2, 2), QPoint(400, 300), QPoint(300, 30), QPoint(1, 100)})
    EXPECT_EQ(Rgb(shown, p.x(), p.y()), Rgb(buffer, p.x(), p.y()));
  EXPECT_EQ(Rgb(buffer, 2, 2), Rgb(Stock::Crimson));
  EXPECT_EQ(Rgb(buffer, 1, 100), Rgb(Stock::Grey));
}

TEST_F(Frame, EventsReachTheMainWindowWithOneRepaintEach) {
  int before = frame->repaintRequests;
  QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(374 + 10, 40));  // "+"
  EXPECT_EQ(mainWindow->project->subs.size(), 2u);
  EXPECT_EQ(frame->repaintRequests, before + 1);
  EXPECT_FALSE(mainWindow->needsRepaint);

  // A release whose press happened elsewhere reaches no handler.
  frame->grab();
  QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(374 + 158 + 10, 40));
  EXPECT_EQ(mainWindow->project->subs.size(), 2u);
  EXPECT_EQ(frame->repaintRequests, before + 1);

  // A placed block is selected; the Delete key removes it again.
  mainWindow->view->insertTool = InsertEndBlock;
  QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(600, 400));
  Sub* sub = mainWindow->view->sub;
  ASSERT_EQ(sub->selection.size(), 1u);
  QTest::keyClick(frame, Qt::Key_Delete);
  EXPECT_TRUE(sub->selection.empty());

  // The wheel: Ctrl zooms about the pointer; a pointer outside the window
  // counts as just below its bottom-left corner.
  SendWheel(QPoint(400, 300), 120, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(sub->canvas.zoom, 1.1);
  double worldY = (601 - 48) / sub->canvas.zoom + sub->canvas.originY;
  double worldX = -1 / sub->canvas.zoom + sub->canvas.originX;
  SendWheel(QPoint(-20, 700), 120, Qt::ControlModifier);
  EXPECT_NEAR(sub->canvas.zoom, 1.2, 1e-9);
  EXPECT_NEAR((601 - 48) / sub->canvas.zoom + sub->canvas.originY, worldY, 1e-9);
  EXPECT_NEAR(-1 / sub->canvas.zoom + sub->canvas.originX, worldX, 1e-9);
}

TEST_F(Frame, TitleBarDragsTheWindowAndBordersResizeIt) {
  // A press on the title strip is the frame's: the main window never sees it.
  mainWindow->view->insertTool = InsertEndBlock;
  QPoint start = frame->pos();
  QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(300, 10));
  QTest::mouseMove(frame, QPoint(350, 30));
  QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(350, 30));
  EXPECT_EQ(frame->pos(), start + QPoint(50, 20));
  EXPECT_EQ(mainWindow->view->insertTool, InsertEndBlock);
  EXPECT_FALSE(mainWindow->viewPressed);

  QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(400, 599));
  QTest::mouseMove(frame, QPoint(400, 619));
  QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(400, 619));
  EXPECT_TRUE(WaitFor([&] { return mainWindow->height == 620; })) << mainWindow->height;
  EXPECT_EQ(mainWindow->toolBarTop, (620 - 336) / 2);
  EXPECT_EQ(mainWindow->view->insertTool, InsertEndBlock);
}

TEST_F(Frame, MaximizedWindowPaintsWithoutFrameOrBands) {
  frame->showMaximized();
  ASSERT_TRUE(WaitFor([&] { return frame->isMaximized() && mainWindow->height == frame->height(); }));
  QSize painted = frame->PaintedSize();
  EXPECT_EQ(mainWindow->width, painted.width());
  EXPECT_EQ(frame->paintX, (frame->width() - painted.width()) / 2);
  QImage shown = frame->grab().toImage();
  EXPECT_EQ(Rgb(shown, frame->paintX + 1, frame->paintY + 100), Rgb(Stock::BackgroundGrey));

  // The corner is chart, not a resize band.
  QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(frame->paintX + 3, frame->paintY + 100));
  EXPECT_TRUE(mainWindow->viewPressed);
  QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(frame->paintX + 3, frame->paintY + 100));

  // The title bar's middle button restores.
  QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(mainWindow->width - 82 + 26 + 5, 10));
  EXPECT_TRUE(WaitFor([&] { return !frame->isMaximized(); }));
}

TEST_F(Frame, ClosingAModifiedProjectAsksFirst) {
  mainWindow->modified = true;
  const QPoint closeButton(800 - 82 + 2 * 26 + 5, 10);
  {
    // Yes, then a cancelled save dialog: the window stays open.
    BoxRecorder boxes({Result::Yes});
    ModalDriver driver({CancelDialog()});
    QTest::mouseClick(frame, Qt::LeftButton, {}, closeButton);
    EXPECT_EQ(boxes.boxes.size(), 1u);
  }
  EXPECT_TRUE(frame->isVisible());
  {
    BoxRecorder boxes({Result::Cancel});
    frame->close();
  }
  EXPECT_TRUE(frame->isVisible());
  {
    BoxRecorder boxes({Result::No});
    QTest::mouseClick(frame, Qt::LeftButton, {}, closeButton);
  }
  EXPECT_FALSE(frame->isVisible());
}

// Window managers and task bars show the program icon: the menu square in
// every usual size, the 48-pixel one exactly as the menu bar paints it.
TEST_F(Frame, HasTheMenuSquareAsItsIconInEverySize) {
  QIcon icon = frame->windowIcon();
  ASSERT_FALSE(icon.isNull());
  QList<QSize> sizes = icon.availableSizes();
  for (int size : {16, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
  QImage square = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(square, FrameWindow::BackBuffer().copy(0, 0, 48, 48).convertToFormat(QImage::Format_RGB32));
}

TEST_F(Frame, QuitFromTheMenuClosesAnUnmodifiedProjectAtOnce) {
  BoxRecorder boxes;
  {
    ModalDriver driver({ChooseMenuEntry("Beenden")});
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(20, 20));
  }
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
