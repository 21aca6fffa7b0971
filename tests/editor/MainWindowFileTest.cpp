// The file commands: Save, Save As, New and Open with the file dialog driven
// by a timer, and the question before a modified project is discarded with
// its three answers, including a save that does not happen.
#include <fstream>
#include <sstream>

#include "MainWindowHarness.h"

namespace {

using MessageBox::Result;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct FileCommands : MainWindowFixture {
  TempFolder folder;
  // A path whose folder does not exist: writing there fails.
  std::string Unwritable() const { return folder.File("missing/x.pbn"); }
};

const std::string SaveQuestion = "Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?";

TEST_F(FileCommands, SaveWithNothingModifiedDoesNothing) {
  BoxRecorder boxes;
  ModalDriver noDialog({});
  main.needsRepaint = false;
  main.Save();
  EXPECT_FALSE(main.needsRepaint);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FileCommands, SaveAsAsksEvenUnmodifiedAndSaveReusesTheName) {
  const std::string path = folder.File("Blinker.pbn");
  {
    ModalDriver driver({ChooseFile(path)});
    main.SaveAs();
  }
  EXPECT_EQ(main.project->fileName, path);
  EXPECT_FALSE(main.modified);
  EXPECT_TRUE(main.needsRepaint);
  EXPECT_NE(ReadFile(path).find("Start"), std::string::npos);

  SubAt(0)->name = "Hauptprogramm";
  main.modified = true;
  {
    ModalDriver noDialog({});
    main.Save();
  }
  EXPECT_FALSE(main.modified);
  EXPECT_NE(ReadFile(path).find("Hauptprogramm"), std::string::npos);

  // Without a file name, Save is Save As; a cancelled dialog changes nothing.
  main.project->fileName.clear();
  main.modified = true;
  main.needsRepaint = false;
  {
    ModalDriver driver({CancelDialog()});
    main.Save();
  }
  EXPECT_TRUE(main.modified);
  EXPECT_FALSE(main.needsRepaint);
}

TEST_F(FileCommands, FailedWriteKeepsTheProjectModifiedWithoutAMessage) {
  BoxRecorder boxes;
  main.project->fileName = Unwritable();
  main.modified = true;
  main.Save();
  EXPECT_TRUE(main.modified);
  EXPECT_TRUE(main.needsRepaint);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FileCommands, AskForSaveAnswers) {
  main.modified = true;
  {
    BoxRecorder boxes({Result::No});
    EXPECT_TRUE(main.AskForSave());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, SaveQuestion);
    EXPECT_EQ(boxes.boxes[0].caption, "Änderungen speichern?");
    EXPECT_EQ(boxes.boxes[0].buttons, MessageBox::Buttons::YesNoCancel);
    EXPECT_EQ(boxes.boxes[0].icon, MessageBox::Icon::Question);
    EXPECT_EQ(boxes.boxes[0].owner, FromWidget(&owner));
    EXPECT_TRUE(main.modified);
  }
  {
    BoxRecorder boxes({Result::Cancel});
    EXPECT_FALSE(main.AskForSave());
  }
  {
    // Yes without a file name and a cancelled dialog: nothing saved.
    BoxRecorder boxes({Result::Yes});
    ModalDriver driver({CancelDialog()});
    EXPECT_FALSE(main.AskForSave());
    EXPECT_TRUE(main.modified);
  }
  {
    BoxRecorder boxes({Result::Yes});
    main.project->fileName = Unwritable();
    EXPECT_FALSE(main.AskForSave());
    EXPECT_TRUE(main.modified);
  }
  {
    BoxRecorder boxes({Result::Yes});
    main.project->fileName = folder.File("ok.pbn");
    EXPECT_TRUE(main.AskForSave());
    EXPECT_FALSE(main.modified);
    EXPECT_FALSE(ReadFile(folder.File("ok.pbn")).empty());
  }
  {
    // Yes with nothing to save.
    BoxRecorder boxes({Result::Yes});
    ModalDriver noDialog({});
    EXPECT_TRUE(main.AskForSave());
  }
}

TEST_F(FileCommands, CloseAsksOnlyWhenModified) {
  {
    BoxRecorder boxes;
    EXPECT_TRUE(main.OnClose());
    EXPECT_TRUE(boxes.boxes.empty());
  }
  main.modified = true;
  {
    BoxRecorder boxes({Result::Yes});
    ModalDriver driver({CancelDialog()});
    EXPECT_FALSE(main.OnClose());
  }
  {
    BoxRecorder boxes({Result::No});
    EXPECT_TRUE(main.OnClose());
  }
}

TEST_F(FileCommands, NewReplacesTheProjectUnlessTheUserKeepsIt) {
  main.project->AddChart();
  main.modified = true;
  Project* before = main.project;
  {
    BoxRecorder boxes({Result::Cancel});
    main.New();
  }
  EXPECT_EQ(main.project, before);
  EXPECT_EQ(SubCount(), 2);
  {
    BoxRecorder boxes({Result::No});
    main.New();
  }
  ASSERT_EQ(SubCount(), 1);
  EXPECT_EQ(SubAt(0)->name, "Start");
  EXPECT_EQ(main.view->sub, SubAt(0));
  EXPECT_FALSE(main.modified);
  EXPECT_TRUE(main.project->fileName.empty());
}

TEST_F(FileCommands, OpenLoadsAFileAndKeepsTheProjectOnAReadError) {
  const std::string path = folder.File("zwei.pbn");
  {
    Project saved;
    saved.AddChart();
    saved.AddChart()->name = "Blinken";
    ASSERT_TRUE(saved.WriteXML(path));
  }
  main.modified = true;
  {
    // Asked first; Cancel opens nothing.
    BoxRecorder boxes({Result::Cancel});
    ModalDriver noDialog({});
    main.Open();
  }
  main.modified = false;
  {
    ModalDriver driver({ChooseFile(path)});
    main.Open();
  }
  ASSERT_EQ(SubCount(), 2);
  EXPECT_EQ(SubAt(1)->name, "Blinken");
  EXPECT_EQ(main.view->sub, SubAt(0));
  EXPECT_EQ(main.project->fileName, path);
  EXPECT_FALSE(main.modified);
  EXPECT_EQ(main.TitleText(), path + " - Pellburne for Mandolet 1.0");

  const std::string broken = folder.File("kaputt.pbn");
  std::ofstream(broken) << "<Project><Subs>";
  Project* before = main.project;
  BoxRecorder boxes;
  {
    ModalDriver driver({ChooseFile(broken)});
    main.Open();
  }
  EXPECT_EQ(main.project, before);
  EXPECT_EQ(SubCount(), 2);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Datei konnte nicht gelesen werden?\nIst sie ungültig oder beschädigt?");
  EXPECT_EQ(boxes.boxes[0].caption, "Lesefehler");
  EXPECT_EQ(boxes.boxes[0].buttons, MessageBox::Buttons::Ok);
  EXPECT_EQ(boxes.boxes[0].icon, MessageBox::Icon::Information);
}

}  // namespace
