// The alias list with its nested alias dialog over a project's operand table,
// and the settings dialog.
#include "support/Dialogs.h"
#include "document/Assignment.h"
#include "document/IfBlock.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditAliases.h"
#include "editor/SettingsDialog.h"
#include "language/Settings.h"

#include <QPushButton>

using namespace dialogs;

namespace {

class AliasDialogs : public testing::Test {
protected:
  AliasDialogs() { project.AddChart(); }
  Variables& Table() { return project.variables; }
  int AliasCount() { return static_cast<int>(Table().GetAllAliases().size()); }

  // Runs the nested alias dialog that the next click opens.
  void InAliasDialog(std::function<void(QWidget*, AliasDialog*)> step) {
    modals.ThenCancel([step](QWidget* modal) { step(modal, Running<AliasDialog>(modal)); });
  }

  ModalDriver modals;
  Project project;
};

TEST_F(AliasDialogs, EmptyTableShowsNoEntryAndNewAppendsOne) {
  bool ran = false, nestedRan = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditAliasesDialog>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(293, 513));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Variablen"));
    EXPECT_EQ(W(dialog->helpText)->geometry(), Box(20, 15, 250, 100));
    EXPECT_EQ(W(dialog->aliasList)->geometry(), Box(20, 130, 250, 300));
    EXPECT_EQ(W(dialog->newButton)->geometry(), Box(20, 445, 100, 24));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(170, 445, 100, 24));
    EXPECT_EQ(dialog->newButton->GetWindowText(), "Neu");
    // No cancel button.
    EXPECT_EQ(modal->findChildren<QPushButton*>().size(), 2);
    std::string help;
    dialog->helpText->GetContent(help);
    EXPECT_EQ(help,
              "Hier kannst du den vorhandenen Variablen und Ports eigene Namen geben, damit dein Flussdiagramm "
              "noch verständlicher ist. Klicke doppelt auf einen Eintrag, um ihn zu verändern oder füge einen "
              "neuen hinzu.");
    EXPECT_EQ(dialog->aliasList->GetCount(), 0);

    InAliasDialog([&](QWidget* nested, AliasDialog* alias) {
      nestedRan = true;
      EXPECT_EQ(nested->size(), QSize(348, 248));
      EXPECT_EQ(nested->windowTitle(), QString::fromUtf8("Alias bearbeiten"));
      EXPECT_EQ(W(alias->aliasName)->geometry(), Box(20, 20, 310, 21));
      EXPECT_EQ(W(alias->target)->geometry(), Box(20, 50, 310, 21));
      EXPECT_EQ(alias->target->listHeight, 100);
      EXPECT_EQ(W(alias->okButton)->geometry(), Box(110, 180, 100, 24));
      EXPECT_EQ(W(alias->cancelButton)->geometry(), Box(230, 180, 100, 24));
      EXPECT_EQ(alias->aliasName->GetText(), "");
      EXPECT_EQ(alias->target->GetText(), "");
      // A new alias may stand for an operand of any kind.
      alias->target->SetWindowText("P");
      alias->target->ShowSuggestions();
      EXPECT_EQ(Suggestions(alias->target), Table().SuggestAliasTargets("P", ""));
      EXPECT_EQ(Suggestions(alias->target).size(), 15u);
      alias->target->HideSuggestions(false);
      alias->aliasName->SetWindowText("Led");
      alias->target->SetWindowText("PORTB.0");
      Click(alias->okButton);
    });
    Click(dialog->newButton);
    EXPECT_EQ(Entries(dialog->aliasList), std::vector<std::string>{"Led > PORTB.0"});
    EXPECT_EQ(*static_cast<std::string*>(dialog->aliasList->GetItemData(0)), "Led");
    Click(dialog->okButton);
  });
  EditAliasesDialog dialog(nullptr, &Table());
  EXPECT_TRUE(ran);
  EXPECT_TRUE(nestedRan);
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(Table().GetAllAliases(), std::vector<std::string>{"Led"});
  EXPECT_EQ(Table().GetAliasDestination("Led"), "PORTB.0");
}

TEST_F(AliasDialogs, RenamingRewritesTheEntryInPlaceAndEveryBlockFollows) {
  ASSERT_TRUE(Table().AddAlias("Led", "PORTB.0"));
  ASSERT_TRUE(Table().AddAlias("Knopf", "PIND.2"));
  ASSERT_TRUE(Table().AddAlias("Zaehler", "var1"));
  Sub* sub = project.subs[0];
  Assignment* set = new Assignment(sub, 0, 200);
  set->assignment = ParsedAssignment(Table(), "Led = Knopf");
  IfBlock* test = new IfBlock(sub, 0, 400);
  test->compare = ParsedCompare(Table(), "Knopf = 1");

  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditAliasesDialog>(modal);
    EXPECT_EQ(Entries(dialog->aliasList),
              (std::vector<std::string>{"Led > PORTB.0", "Knopf > PIND.2", "Zaehler > var1"}));
    InAliasDialog([&](QWidget*, AliasDialog* alias) {
      EXPECT_EQ(alias->aliasName->GetText(), "Knopf");
      EXPECT_EQ(alias->target->GetText(), "PIND.2");
      // The alias keeps its kind: only pins are offered.
      alias->target->SetWindowText("");
      alias->target->ShowSuggestions();
      EXPECT_EQ(Suggestions(alias->target),
                (std::vector<std::string>{"PIND.2", "PIND.3", "PIND.4", "PIND.5", "PIND.6", "PIND.7"}));
      alias->target->HideSuggestions(false);
      alias->aliasName->SetWindowText("Taster");
      alias->target->SetWindowText("PIND.5");
      Click(alias->okButton);
    });
    // A single click selects, and selecting opens the alias dialog.
    ClickEntry(dialog->aliasList, 1);
    EXPECT_EQ(Entries(dialog->aliasList),
              (std::vector<std::string>{"Led > PORTB.0", "Taster > PIND.5", "Zaehler > var1"}));
    EXPECT_EQ(dialog->aliasList->GetSelection(), 1);
    EXPECT_EQ(*static_cast<std::string*>(dialog->aliasList->GetItemData(1)), "Taster");

    // Cancelled: entry and table stay.
    InAliasDialog([&](QWidget*, AliasDialog* alias) {
      alias->aliasName->SetWindowText("Anders");
      Click(alias->cancelButton);
    });
    ClickEntry(dialog->aliasList, 2);
    EXPECT_EQ(Entries(dialog->aliasList)[2], "Zaehler > var1");
    EXPECT_EQ(dialog->aliasList->GetSelection(), 2);
    Click(dialog->okButton);
  });
  EditAliasesDialog dialog(nullptr, &Table());
  EXPECT_EQ(Table().GetAllAliases(), (std::vector<std::string>{"Led", "Taster", "Zaehler"}));
  EXPECT_EQ(Table().GetAliasDestination("Taster"), "PIND.5");
  EXPECT_EQ(Table().GetOperand("Knopf"), nullptr);
  // The blocks hold the alias itself, so they show the new name at once.
  EXPECT_EQ(set->assignment.GetString(" "), "Led = Taster");
  EXPECT_EQ(test->compare.GetString(" "), "Taster = 1");
  EXPECT_EQ(set->assignment.rightSide.first.operand->aliasTarget, Table().GetOperand("PIND.5"));
}

TEST_F(AliasDialogs, RefusedAliasesKeepTheDialogOpenAndTheTableUnchanged) {
  ASSERT_TRUE(Table().AddAlias("Led", "PORTB.0"));
  struct Attempt {
    const char* name;
    const char* target;
  };
  std::vector<bool> openAfter;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditAliasesDialog>(modal);
    InAliasDialog([&](QWidget* nested, AliasDialog* alias) {
      for (Attempt attempt : {Attempt{"Neu1", "nix"},
                              {"2x", "var3"},
                              {"var1", "var3"},
                              {"Led", "var3"},
                              {"PORTB.0", "var3"},
                              {"", "var3"}}) {
        alias->aliasName->SetWindowText(attempt.name);
        alias->target->SetWindowText(attempt.target);
        Click(alias->okButton);
        openAfter.push_back(nested->isVisible());
      }
      Click(alias->cancelButton);
    });
    Click(dialog->newButton);
    // An existing alias cannot change its kind.
    InAliasDialog([&](QWidget* nested, AliasDialog* alias) {
      alias->target->SetWindowText("var3");
      Click(alias->okButton);
      openAfter.push_back(nested->isVisible());
      Click(alias->cancelButton);
    });
    ClickEntry(dialog->aliasList, 0);
    EXPECT_EQ(Entries(dialog->aliasList), std::vector<std::string>{"Led > PORTB.0"});
    Click(dialog->okButton);
  });
  EditAliasesDialog dialog(nullptr, &Table());
  EXPECT_EQ(openAfter, std::vector<bool>(7, true));
  EXPECT_EQ(Table().GetAllAliases(), std::vector<std::string>{"Led"});
  EXPECT_EQ(Table().GetAliasDestination("Led"), "PORTB.0");
  EXPECT_EQ(Table().variableList.size(), 54u);
}

class SettingsDialogTest : public testing::Test {
protected:
  SettingsDialogTest() : savedPort(theSettings.serialPort), savedChanged(theSettings.changed) {
    theSettings.serialPort = "HID";
    theSettings.changed = false;
  }
  // Nothing of the tests reaches the settings file at exit.
  ~SettingsDialogTest() override {
    theSettings.serialPort = savedPort;
    theSettings.changed = savedChanged;
  }

  bool Run(const char* text, bool ok) {
    modals.Then([=](QWidget* modal) {
      auto* dialog = Running<SettingsDialog>(modal);
      dialog->port->SetWindowText(text);
      Click(ok ? dialog->okButton : dialog->cancelButton);
    });
    SettingsDialog dialog(nullptr);
    return dialog.ok;
  }

  ModalDriver modals;
  std::string savedPort;
  bool savedChanged;
};

TEST_F(SettingsDialogTest, LayoutAndCurrentPort) {
  bool ran = false;
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<SettingsDialog>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(488, 178));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Einstellungen"));
    EXPECT_EQ(W(dialog->label)->geometry(), Box(20, 10, 95, 21));
    EXPECT_EQ(W(dialog->port)->geometry(), Box(120, 10, 350, 21));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(260, 110, 100, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(370, 110, 100, 24));
    std::string label;
    dialog->label->GetContent(label);
    EXPECT_EQ(label, "Serieller Port");
    EXPECT_EQ(dialog->port->GetText(), "HID");
  });
  SettingsDialog dialog(nullptr);
  EXPECT_TRUE(ran);
  EXPECT_FALSE(dialog.ok);
  EXPECT_FALSE(theSettings.changed);
}

TEST_F(SettingsDialogTest, OkTakesThePortAsTypedAndMarksTheSettingsChanged) {
  EXPECT_FALSE(Run("COM7", false));
  EXPECT_EQ(theSettings.serialPort, "HID");
  EXPECT_FALSE(theSettings.changed);

  EXPECT_TRUE(Run("HID", true));
  EXPECT_EQ(theSettings.serialPort, "HID");
  EXPECT_TRUE(theSettings.changed);

  EXPECT_TRUE(Run("/dev/ttyUSB0", true));
  EXPECT_EQ(theSettings.serialPort, "/dev/ttyUSB0");
  EXPECT_TRUE(Run("", true));
  EXPECT_EQ(theSettings.serialPort, "");
  EXPECT_TRUE(theSettings.changed);
}

}  // namespace
