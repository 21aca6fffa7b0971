#pragma once
// Helpers shared by the chart model tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "document/BlockConnector.h"
#include "document/ChartItem.h"
#include "document/Sub.h"

inline std::vector<ChartItem*> CanvasItems(Sub* sub) {
  std::vector<ChartItem*> items;
  CanvasForeachItem(
      &sub->canvas,
      [](CanvasS*, CanvasItemS* e, void* user) {
        static_cast<std::vector<ChartItem*>*>(user)->push_back(ChartItem::FromCanvas(e));
      },
      &items);
  return items;
}

// A plugged arrow is in its end item's incoming list exactly once, a loose
// one in none; every entry of an incoming list is an arrow plugged there;
// every item of the sub's canvas is one of `live` and no slot is null.
inline void ExpectConsistent(Sub* sub, const std::set<ChartItem*>& live) {
  std::vector<ChartItem*> items = CanvasItems(sub);
  EXPECT_EQ(items.size(), sub->canvas.count);
  for (unsigned i = 0; i < sub->canvas.count; i++) ASSERT_NE(sub->canvas.items[i], nullptr);
  EXPECT_EQ(std::set<ChartItem*>(items.begin(), items.end()), live);
  EXPECT_EQ(items.size(), live.size()) << "an item is in the canvas twice";
  for (ChartItem* item : items) {
    EXPECT_EQ(item->sub, sub);
    EXPECT_EQ(item->canvasItem.data, item);
    for (BlockConnector* c : item->incomingConnectors) {
      EXPECT_TRUE(live.count(c)) << "incoming list holds a dead arrow";
      EXPECT_EQ(c->endItem, item);
    }
    auto* c = dynamic_cast<BlockConnector*>(item);
    if (!c) continue;
    EXPECT_TRUE(c->dependent);
    EXPECT_FALSE(c->parts.empty());
    int lists = 0;
    for (ChartItem* other : items)
      lists += static_cast<int>(std::count(other->incomingConnectors.begin(), other->incomingConnectors.end(), c));
    if (c->endItem) {
      ASSERT_TRUE(live.count(c->endItem)) << "arrow ends at a dead item";
      EXPECT_EQ(std::count(c->endItem->incomingConnectors.begin(), c->endItem->incomingConnectors.end(), c), 1);
      EXPECT_EQ(lists, 1);
    } else {
      EXPECT_EQ(lists, 0);
    }
  }
}
