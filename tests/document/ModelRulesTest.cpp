// Rules of the chart model that the other model tests leave open.
#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "document/BlockConnector.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"

namespace {

// An arrow that reports its own destruction.
struct WatchedArrow : BlockConnector {
  bool* gone;
  WatchedArrow(Sub* sub, bool* gone) : BlockConnector(sub), gone(gone) {}
  ~WatchedArrow() override { *gone = true; }
};

// A file may hold an arrow that no block owns, and a load that fails half-way
// leaves one behind; the sub must still free it when it goes.
TEST(SubLifetime, ArrowsThatNoBlockOwnsGoWithTheSub) {
  bool looseGone = false, pluggedGone = false, afterGone = false;
  auto* project = new Project;
  Sub* main = project->AddChart();
  Sub* other = project->AddChart();
  new WatchedArrow(main, &looseGone);
  auto* end = new EndBlock(main, 0, 300);
  auto* plugged = new WatchedArrow(main, &pluggedGone);
  plugged->AttachEndItem(end);
  // One placed before the block it ends at, so the block dies first.
  auto* early = new WatchedArrow(other, &afterGone);
  auto* target = new EndBlock(other, 0, 300);
  early->AttachEndItem(target);
  project->DeleteChart(other);
  EXPECT_TRUE(afterGone);
  delete project;
  EXPECT_TRUE(looseGone);
  EXPECT_TRUE(pluggedGone);
}

}  // namespace
