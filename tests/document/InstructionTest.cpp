#include "document/Instruction.h"

#include <gtest/gtest.h>

#include <string>

#include "ModelTestUtil.h"
#include "document/Project.h"

namespace {

TEST(InstructionCatalogue, RowsInListOrder) {
  const InstructionInfo* t = Instruction::InstructionInfos;
  const char* names[] = {"print_str", "print_number", "print_newline", "adc_read", "waitchar",
                         "recvchar",  "print_char",   "pwm_init",      "pwm_set",  "servo_init",
                         "servo_set", "waitms",       "waitus"};
  const char* shown[] = {"Zeichenkette ausgeben", "Zahl ausgeben",    "Neue-Zeile ausgeben", "Lese ADC",
                         "Warte auf Eingabe",     "Lese Eingabe",     "Sende Zeichen",       "PWM aktivieren",
                         "PWM-Wert ausgeben",     "Servo aktivieren", "Servo-Wert ausgeben", "Warte Millisekunden",
                         "Warte Mikrosekunden"};
  const int counts[] = {1, 1, 0, 1, 0, 0, 1, 0, 2, 0, 2, 1, 1};
  ASSERT_EQ(Instruction::InstructionInfosCount, 13);
  for (int i = 0; i < 13; i++) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(t[i].routineName, names[i]);
    EXPECT_STREQ(t[i].displayName, shown[i]);
    EXPECT_STREQ(t[i].extraText, "");
    EXPECT_EQ(t[i].argumentCount, counts[i]);
    for (int a = 0; a < 3; a++) {
      if (a < counts[i]) {
        EXPECT_NE(t[i].arguments[a].typeMask, 0);
        EXPECT_NE(t[i].arguments[a].label, nullptr);
      } else {
        EXPECT_EQ(t[i].arguments[a].typeMask, 0);
        EXPECT_EQ(t[i].arguments[a].label, nullptr);
      }
    }
    EXPECT_EQ(t[i].resultMask, (i >= 3 && i <= 5) ? 0x1 : 0);
  }
  EXPECT_EQ(t[0].arguments[0].typeMask, 0x8);
  EXPECT_STREQ(t[0].arguments[0].label, "Zeichenkette");
  EXPECT_EQ(t[1].arguments[0].typeMask, 0x11);
  EXPECT_STREQ(t[1].arguments[0].label, "Zahl");
  EXPECT_EQ(t[3].arguments[0].typeMask, 0x1000);
  EXPECT_STREQ(t[3].arguments[0].label, "Kanal");
  EXPECT_STREQ(t[6].arguments[0].label, "Zeichen");
  EXPECT_EQ(t[8].arguments[0].typeMask, 0x10);
  EXPECT_STREQ(t[8].arguments[0].label, "PWM-Kanal (0, 1 oder 2)");
  EXPECT_EQ(t[8].arguments[1].typeMask, 0x11);
  EXPECT_STREQ(t[8].arguments[1].label, "Wert");
  EXPECT_EQ(t[10].arguments[0].typeMask, 0x10);
  EXPECT_STREQ(t[10].arguments[0].label, "Servo-Kanal (0, 1 oder 2)");
  EXPECT_STREQ(t[10].arguments[1].label, "Wert");
  EXPECT_EQ(t[11].arguments[0].typeMask, 0x11);
  EXPECT_STREQ(t[11].arguments[0].label, "Wartezeit");
  EXPECT_STREQ(t[12].arguments[0].label, "Wartezeit");
}

struct InstructionBlock : ::testing::Test {
  Project project;
  Sub* sub = project.AddChart();
  Instruction* block = new Instruction(sub, 0, 0, &Instruction::InstructionInfos[11]);
};

TEST_F(InstructionBlock, PlacingAndLoadingForms) {
  EXPECT_EQ(block->info, &Instruction::InstructionInfos[11]);
  EXPECT_EQ(block->canvasItem.w, 160);
  EXPECT_EQ(block->canvasItem.h, 72);
  EXPECT_TRUE(block->arguments[0].empty());
  EXPECT_TRUE(block->result.empty());
  EXPECT_TRUE(block->HasConnectionPoint());
  EXPECT_FALSE(block->WantsDrag(80, 30));
  auto* arrow = dynamic_cast<BlockConnector*>(block->dependent1);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(arrow->startX, 80);
  EXPECT_EQ(arrow->startY, 72);
  EXPECT_EQ(block->dependent2, nullptr);
  auto* loaded = new Instruction(sub);
  EXPECT_EQ(loaded->info, nullptr);
  EXPECT_EQ(loaded->dependent1, nullptr);
  EXPECT_EQ(loaded->canvasItem.w, 160);
}

TEST_F(InstructionBlock, SlantedPointTest) {
  EXPECT_TRUE(block->IsInItem(5, 70));
  EXPECT_FALSE(block->IsInItem(5, 10));
  EXPECT_TRUE(block->IsInItem(140, 71));
  EXPECT_FALSE(block->IsInItem(159, 60));
  for (int px = 32; px <= 128; px++)
    for (int py : {0, 36, 72}) EXPECT_TRUE(block->IsInItem(px, py)) << px << "," << py;
  // Along the slanted edges: (0, 72)-(10, 0) and (150, 72)-(160, 0).
  EXPECT_FALSE(block->IsInItem(0, 72));
  EXPECT_FALSE(block->IsInItem(10, 0));
  EXPECT_TRUE(block->IsInItem(10, 1));
  EXPECT_TRUE(block->IsInItem(31, 0));
  EXPECT_FALSE(block->IsInItem(150, 72));
  EXPECT_TRUE(block->IsInItem(150, 71));
  EXPECT_FALSE(block->IsInItem(160, 0));
  EXPECT_TRUE(block->IsInItem(159, 0));
  // Relative to the block's corner.
  block->Move(100, 200);
  EXPECT_TRUE(block->IsInItem(105, 270));
  EXPECT_FALSE(block->IsInItem(105, 210));
}

TEST_F(InstructionBlock, RectangleTestTakesWideOverlapsAndInsideCorners) {
  EXPECT_TRUE(block->IsInItem(-100, -10, 111, 5));    // 11 units of overlap at the top-left
  EXPECT_FALSE(block->IsInItem(-100, -10, 108, 15));  // a sliver in the cut-off corner
  EXPECT_TRUE(block->IsInItem(-100, -10, 110, 15));   // its bottom-right corner (10, 5) is inside
  EXPECT_TRUE(block->IsInItem(-100, 60, 105, 20));    // its top-right corner (5, 60) is inside
  EXPECT_FALSE(block->IsInItem(158, 40, 50, 40));     // right sliver below the slant
  EXPECT_TRUE(block->IsInItem(155, 5, 50, 40));       // its top-left corner (155, 5) is inside
  EXPECT_TRUE(block->IsInItem(149, 60, 50, 40));
  EXPECT_TRUE(block->IsInItem(10, 10, 5, 5));  // every corner inside
}

}  // namespace
