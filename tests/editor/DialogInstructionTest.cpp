// The instruction picker and the argument dialog of instruction blocks.
#include "support/Dialogs.h"
#include "document/Instruction.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

#include <QPushButton>

using namespace dialogs;

namespace {

const InstructionInfo* Row(const char* routine) {
  for (const InstructionInfo& row : Instruction::InstructionInfos)
    if (std::string(row.routineName) == routine) return &row;
  return nullptr;
}

class InstructionDialogs : public testing::Test {
protected:
  InstructionDialogs() {
    project.AddChart();
    sub = project.subs[0];
    project.variables.AddAlias("Zaehler", "var4");
    project.variables.AddAlias("Kanal", "ADC2");
  }

  // Types one text per column, presses OK, and cancels when OK was refused.
  bool Edit(Instruction& block, std::vector<std::string> texts, bool* refused) {
    modals.Then([&, texts](QWidget* modal) {
      auto* dialog = Running<EditInstructionDlg>(modal);
      for (size_t c = 0; c < texts.size(); ++c) dialog->edits[c]->SetWindowText(texts[c]);
      Click(dialog->okButton);
      *refused = modal->isVisible();
      if (*refused) Escape(modal);
    });
    return block.OnEdit(nullptr);
  }

  ModalDriver modals;
  Project project;
  Sub* sub;
};

TEST_F(InstructionDialogs, PickerListsTheCatalogueAndOneClickPicks) {
  bool ran = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<SelectInstructionDlg>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(223, 590));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Befehl auswählen"));
    EXPECT_EQ(W(dialog->list)->geometry(), Box(10, 10, 200, 542));
    ASSERT_EQ(dialog->list->GetCount(), 13);
    for (int i = 0; i < 13; ++i) {
      std::string text;
      dialog->list->GetText(i, text);
      EXPECT_EQ(text, Instruction::InstructionInfos[i].displayName);
      EXPECT_EQ(dialog->list->GetItemData(i), &Instruction::InstructionInfos[i]);
      EXPECT_EQ(ListWidget(dialog->list)->visualItemRect(ListWidget(dialog->list)->item(i)).height(), 30);
    }
    EXPECT_EQ(modal->findChildren<QPushButton*>().size(), 0);
    ClickEntry(dialog->list, 8);
  });
  SelectInstructionDlg picked(nullptr);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(picked.ok);
  EXPECT_EQ(picked.chosen, &Instruction::InstructionInfos[8]);

  modals.Then([&](QWidget* modal) { Escape(modal); });
  SelectInstructionDlg cancelled(nullptr);
  EXPECT_FALSE(cancelled.ok);
}

TEST_F(InstructionDialogs, RowWithoutColumnsOpensNothing) {
  for (const char* routine : {"print_newline", "pwm_init", "servo_init"}) {
    Instruction block(sub, 0, 0, Row(routine));
    EXPECT_FALSE(block.OnEdit(nullptr)) << routine;
  }
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(InstructionDialogs, ColumnsShowLabelsTextsAndOperandsOfTheirMasks) {
  Instruction adc(sub, 0, 0, Row("adc_read"));
  adc.arguments[0] = "ADC1";
  adc.result = "var2";
  bool ran = false;
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<EditInstructionDlg>(modal);
    ran = true;
    // One argument column and the result column.
    EXPECT_EQ(modal->size(), QSize(408, 358));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Befehl"));
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(W(dialog->labels[c])->geometry(), Box(10 + 200 * c, 10, 180, 21));
      EXPECT_EQ(W(dialog->edits[c])->geometry(), Box(10 + 200 * c, 32, 180, 18));
      EXPECT_EQ(W(dialog->lists[c])->geometry(), Box(10 + 200 * c, 60, 180, 220));
    }
    EXPECT_EQ(dialog->labels[2], nullptr);
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(290, 290, 100, 24));
    std::string label;
    dialog->labels[0]->GetContent(label);
    EXPECT_EQ(label, "Kanal");
    dialog->labels[1]->GetContent(label);
    EXPECT_EQ(label, "Ergebnis");
    EXPECT_EQ(dialog->edits[0]->GetText(), "ADC1");
    EXPECT_EQ(dialog->edits[1]->GetText(), "var2");
    // Aliases first, then the plain entries, in table order.
    EXPECT_EQ(Entries(dialog->lists[0]),
              (std::vector<std::string>{"Kanal", "ADC0", "ADC1", "ADC2", "ADC3", "ADC4", "ADC5"}));
    EXPECT_EQ(Entries(dialog->lists[1]), project.variables.FormatOperands(0x1, "", ""));
    EXPECT_EQ(Entries(dialog->lists[1]).front(), "Zaehler");
    // A double-click copies the entry into its own column only.
    DoubleClickEntry(dialog->lists[1], 3);
    EXPECT_EQ(dialog->edits[1]->GetText(), "var2");  // var0, var1, var2 after the alias
    DoubleClickEntry(dialog->lists[1], 0);
    EXPECT_EQ(dialog->edits[1]->GetText(), "Zaehler");
    EXPECT_EQ(dialog->edits[0]->GetText(), "ADC1");
    EXPECT_TRUE(modal->isVisible());
  });
  EXPECT_FALSE(adc.OnEdit(nullptr));
  EXPECT_TRUE(ran);
  EXPECT_EQ(adc.result, "var2");

  Instruction text(sub, 0, 0, Row("print_str"));
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<EditInstructionDlg>(modal);
    EXPECT_EQ(modal->size(), QSize(208, 358));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(90, 290, 100, 24));
    std::string label;
    dialog->labels[0]->GetContent(label);
    EXPECT_EQ(label, "Zeichenkette");
    // Only string literals fit: no operand to offer.
    EXPECT_EQ(dialog->lists[0]->GetCount(), 0);
  });
  EXPECT_FALSE(text.OnEdit(nullptr));

  Instruction pwm(sub, 0, 0, Row("pwm_set"));
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<EditInstructionDlg>(modal);
    EXPECT_EQ(modal->size(), QSize(408, 358));
    EXPECT_EQ(dialog->lists[0]->GetCount(), 0);
    EXPECT_EQ(Entries(dialog->lists[1]), project.variables.FormatOperands(0x11, "", ""));
    std::string label;
    dialog->labels[0]->GetContent(label);
    EXPECT_EQ(label, "PWM-Kanal (0, 1 oder 2)");
  });
  EXPECT_FALSE(pwm.OnEdit(nullptr));
}

// Stored as typed, less the blanks around the text: the compile names the
// result variable by its text.
TEST_F(InstructionDialogs, ValidColumnsAreStoredTrimmed) {
  Instruction wait(sub, 0, 0, Row("waitms"));
  bool refused = true;
  EXPECT_TRUE(Edit(wait, {" &H10 "}, &refused));
  EXPECT_FALSE(refused);
  EXPECT_EQ(wait.arguments[0], "&H10");

  Instruction text(sub, 0, 0, Row("print_str"));
  EXPECT_TRUE(Edit(text, {"\"Hallo Welt\""}, &refused));
  EXPECT_EQ(text.arguments[0], "\"Hallo Welt\"");
  EXPECT_TRUE(Edit(text, {"\t \" Hallo \"  "}, &refused));
  EXPECT_EQ(text.arguments[0], "\" Hallo \"");  // blanks inside the quotes stay

  Instruction adc(sub, 0, 0, Row("adc_read"));
  EXPECT_TRUE(Edit(adc, {"Kanal", "Zaehler"}, &refused));
  EXPECT_EQ(adc.arguments[0], "Kanal");
  EXPECT_EQ(adc.result, "Zaehler");
  EXPECT_TRUE(Edit(adc, {" ADC1", "var5 "}, &refused));
  EXPECT_EQ(adc.arguments[0], "ADC1");
  EXPECT_EQ(adc.result, "var5");
}

TEST_F(InstructionDialogs, RefusedColumnsKeepTheDialogOpenAndTheBlockUnchanged) {
  Instruction wait(sub, 0, 0, Row("waitms"));
  wait.arguments[0] = "100";
  for (const char* bad : {"", "40000", "-32769", "&h10", "ADC0", "PORTB.0", "\"Hallo\"", "var99"}) {
    bool refused = false;
    EXPECT_FALSE(Edit(wait, {bad}, &refused)) << bad;
    EXPECT_TRUE(refused) << bad;
    EXPECT_EQ(wait.arguments[0], "100") << bad;
  }

  // A later column that fails leaves the earlier, valid ones unstored too.
  Instruction servo(sub, 0, 0, Row("servo_set"));
  servo.arguments[0] = "0";
  servo.arguments[1] = "var1";
  bool refused = false;
  EXPECT_FALSE(Edit(servo, {"2", "ADC3"}, &refused));
  EXPECT_TRUE(refused);
  EXPECT_EQ(servo.arguments[0], "0");
  EXPECT_EQ(servo.arguments[1], "var1");

  Instruction adc(sub, 0, 0, Row("adc_read"));
  adc.arguments[0] = "ADC0";
  adc.result = "var0";
  EXPECT_FALSE(Edit(adc, {"ADC5", "PORTB.0"}, &refused));
  EXPECT_TRUE(refused);
  EXPECT_EQ(adc.arguments[0], "ADC0");
  EXPECT_EQ(adc.result, "var0");
}

}  // namespace
