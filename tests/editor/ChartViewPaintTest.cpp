// Painting the chart view into an image.
#include "ChartViewTestUtil.h"
#include "document/Comment.h"
#include "support/Images.h"

namespace {

QImage Render(ChartView& view) {
  return Paint(
      800, 552,
      [&](Drawing& drawing) {
        view.OnPaint(&drawing);
        EXPECT_EQ(drawing.SavedTransforms(), 0u);
      },
      0xFF000000, QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

TEST_F(ChartViewTest, PaintFillsTheBackgroundAndTheRubberBandInViewPixels) {
  Down(100, 300);
  Move(200, 400);
  QImage image = Render(view);
  QRgb background = image.pixel(700, 500);
  EXPECT_EQ(background, Stock::BackgroundGrey.argb);
  // The band tints its rectangle with translucent blue.
  QRgb band = image.pixel(150, 350);
  EXPECT_NE(band, background);
  EXPECT_LT(qRed(band), qRed(background));
  EXPECT_GT(qBlue(band), qRed(band));
  EXPECT_EQ(image.pixel(95, 350), background);
  EXPECT_EQ(image.pixel(150, 405), background);
  Up(200, 400);
  EXPECT_EQ(Render(view).pixel(150, 350), background);
}

namespace {

// A comment that records how the view asks it to paint.
struct RecordingComment : Comment {
  struct Call {
    int flags;
    size_t savedTransforms;
  };
  std::vector<Call> ownCalls;
  std::vector<RecordingComment*>* order;
  RecordingComment(Sub* sub, int x, int y, std::vector<RecordingComment*>* order) : Comment(sub, x, y), order(order) {}
  void OnPaint(Drawing* drawing, int flags) override {
    ownCalls.push_back({flags, drawing->SavedTransforms()});
    order->push_back(this);
  }
};

}  // namespace

TEST_F(ChartViewTest, PaintPassesEachVisibleItemItsStateBottomFirst) {
  std::vector<RecordingComment*> order;
  auto* a = new RecordingComment(sub, 40, 40, &order);
  auto* b = new RecordingComment(sub, 60, 60, &order);
  auto* hidden = new RecordingComment(sub, 2000, 40, &order);
  Render(view);
  EXPECT_EQ(order, (std::vector<RecordingComment*>{a, b}));
  ASSERT_EQ(a->ownCalls.size(), 1u);
  EXPECT_EQ(a->ownCalls[0].flags, 0);
  EXPECT_EQ(a->ownCalls[0].savedTransforms, 1u);  // the move to the item's corner
  EXPECT_TRUE(hidden->ownCalls.empty());

  Click(50, 45);  // a is covered by b only from (60, 60)
  sub->errorItem = b;
  Render(view);
  EXPECT_EQ(a->ownCalls.back().flags, PaintSelected);
  EXPECT_EQ(b->ownCalls.back().flags, PaintGreyed | PaintMarked);

  // Scrolled to the right, only the far comment is in view.
  sub->canvas.originX = 1900;
  order.clear();
  Render(view);
  EXPECT_EQ(order, std::vector<RecordingComment*>{hidden});
}

TEST_F(ChartViewTest, PaintDrawsItemsAtTheirZoomedPlaceGreyedBesideASelection) {
  CanvasSetZoom(&sub->canvas, 2.0);
  sub->canvas.originX = 300;
  // The start block (320, 32, 128, 72) covers view pixels (40, 64) to (296, 208).
  QImage image = Render(view);
  EXPECT_EQ(image.pixel(100, 100), Stock::Green.argb);
  EXPECT_EQ(image.pixel(30, 100), Stock::BackgroundGrey.argb);
  EXPECT_EQ(image.pixel(100, 215), Stock::BackgroundGrey.argb);

  Place(InsertEndBlock, 700, 100);
  image = Render(view);
  EXPECT_EQ(image.pixel(100, 100), Stock::LighterGrey.argb);
}
