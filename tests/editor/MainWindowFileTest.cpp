// The file commands: Save, Save As, New and Open with the file dialog driven
// by a timer, and the question before a modified project is discarded with
// its three answers, including a save that does not happen.
#include <fstream>
#include <sys/stat.h>

#include "MainWindowHarness.h"
#include "support/RealFaults.h"
#include "toolkit/FileErrors.h"

namespace {

using MessageBox::Result;
using namespace dialogs;

struct FileCommands : MainWindowFixture {
  TempFolder folder;
  // A path whose folder does not exist: writing there fails.
  std::string Unwritable() const { return folder / "missing/x.pbn"; }
};

const std::string SaveQuestion = "Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?";

TEST_F(FileCommands, SaveWithNothingModifiedDoesNothing) {
  BoxRecorder boxes;
  ModalDriver noDialog;
  main.needsRepaint = false;
  main.Save();
  EXPECT_FALSE(main.needsRepaint);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FileCommands, SaveAsAsksEvenUnmodifiedAndSaveReusesTheName) {
  const std::string path = folder / "Blinker.pbn";
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
    ModalDriver noDialog;
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

// Each fault is made real in a child process: a removed folder, a full disk,
// a read-only file written as an unprivileged user, a file-size limit.
TEST_F(FileCommands, AFailedSaveIsToldAndTheProjectStaysModified) {
  const std::string old = "altes Projekt";
  auto writeOld = [&](const std::string& path) { std::ofstream(path) << old; };
  struct Fault {
    const char* name;
    std::string file;
    std::string reason;
    std::function<bool()> arrange;  // false: not possible here
  };
  const std::vector<Fault> faults = {
      {"removed folder", "weg/p.pbn", "Der Ordner existiert nicht.", [] { return true; }},
      {"full disk", "klein/p.pbn", "Der Datenträger ist voll.",
       [&] {
         if (!realfaults::MountSmallFileSystem(folder / "klein", "64k")) return false;
         writeOld(folder / "klein/p.pbn");
         realfaults::FillUp(folder / "klein");
         return true;
       }},
      {"read-only file", "fest.pbn", "Keine Berechtigung für die Datei oder ihren Ordner.",
       [&] {
         writeOld(folder / "fest.pbn");
         // The folder would let anyone replace the file: only its mode forbids it.
         chmod((folder / "fest.pbn").c_str(), 0444);
         chmod(folder.path.c_str(), 0777);
         return realfaults::DropRoot();
       }},
      {"file-size limit", "gross.pbn", "Die Datei ist zu groß.",
       [&] {
         writeOld(folder / "gross.pbn");
         realfaults::LimitFileSize(100);
         return true;
       }},
      {"pipe", "rohr.pbn",
       "An dieser Stelle steht keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket.",
       [&] { return realfaults::MakePipe(folder / "rohr.pbn"); }},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    realfaults::InChild([&] {
      if (!fault.arrange()) GTEST_SKIP() << "no private mount of a small file system here";
      const std::string path = folder / fault.file;
      main.project->fileName = path;
      main.modified = true;
      main.needsRepaint = false;
      BoxRecorder boxes({Result::Yes});
      EXPECT_FALSE(main.OnClose());  // the window stays open
      EXPECT_TRUE(main.modified);
      EXPECT_TRUE(main.needsRepaint);
      ASSERT_EQ(boxes.boxes.size(), 2u);
      EXPECT_EQ(boxes.boxes[1].text, "Die Datei konnte nicht gespeichert werden:\n" + path + "\n\n" + fault.reason +
                                         "\n\nDeine Änderungen sind noch nicht gespeichert.");
      EXPECT_EQ(boxes.boxes[1].caption, "Speicherfehler");
      EXPECT_EQ(boxes.boxes[1].buttons, MessageBox::Buttons::Ok);
      EXPECT_EQ(boxes.boxes[1].owner, FromWidget(&owner));
      const auto there = std::filesystem::path(path).parent_path();
      if (!std::filesystem::exists(there)) return;
      if (std::string(fault.name) == "pipe") {
        EXPECT_TRUE(std::filesystem::is_fifo(path)) << "the pipe stays";
      } else {
        EXPECT_EQ(ReadFile(path), old);
      }
      for (const auto& entry : std::filesystem::directory_iterator(there))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "left behind: " << entry.path();
    });
  }
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
    main.project->fileName = folder / "ok.pbn";
    EXPECT_TRUE(main.AskForSave());
    EXPECT_FALSE(main.modified);
    EXPECT_FALSE(ReadFile(folder / "ok.pbn").empty());
  }
  {
    // Yes with nothing to save.
    BoxRecorder boxes({Result::Yes});
    ModalDriver noDialog;
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
  const std::string path = folder / "zwei.pbn";
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
    ModalDriver noDialog;
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

  // A broken file, and a pipe that nobody writes to: opening it must not
  // wait for ever.
  const std::string broken = folder / "kaputt.pbn", pipe = folder / "rohr.pbn";
  std::ofstream(broken) << "<Project><Subs>";
  ASSERT_TRUE(realfaults::MakePipe(pipe));
  for (const std::string& unreadable : {broken, pipe}) {
    SCOPED_TRACE(unreadable);
    Project* before = main.project;
    BoxRecorder boxes;
    {
      ModalDriver driver({ChooseFile(unreadable)});
      main.Open();
    }
    EXPECT_EQ(main.project, before);
    EXPECT_EQ(SubCount(), 2);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    // A file that could not be read at all says why.
    EXPECT_EQ(boxes.boxes[0].text, "Datei konnte nicht gelesen werden?\nIst sie ungültig oder beschädigt?" +
                                       (unreadable == pipe ? "\n\n" + NativeErrorText(NativeNotRegularFile) : ""));
    EXPECT_EQ(boxes.boxes[0].caption, "Lesefehler");
    EXPECT_EQ(boxes.boxes[0].buttons, MessageBox::Buttons::Ok);
    EXPECT_EQ(boxes.boxes[0].icon, MessageBox::Icon::Information);
  }
}

}  // namespace
