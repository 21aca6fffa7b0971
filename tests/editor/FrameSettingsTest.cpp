// The settings file around the event loop: theSettings is read and written
// when no message box can be shown (before the application exists, after it
// is gone), so the entry reads the file again and saves changed settings
// while boxes can reach the user.
#include "MainWindowHarness.h"
#include "editor/Pellburne.h"
#include "language/Settings.h"

namespace {

TEST(FrameSettings, ComplaintsAboutTheSettingsFileReachTheUserAsBoxes) {
  TempFolder folder;
  WriteFile(folder / "Pellburne/Pellburne.ini", "programmer = Corbelo\nkaputt\nfarbe = rot\n");
  // The user's configuration folder.
  ScopedEnv home("XDG_CONFIG_HOME", folder.path.c_str());
  BoxRecorder boxes;
  ShowSettingsFileComplaints();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].caption, "Konfigurationsfehler");
  EXPECT_EQ(boxes.boxes[0].text, "Ungültige Zeile in der Konfigurationsdatei:\nkaputt");
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
  EXPECT_EQ(boxes.boxes[1].text,
            "Ungültiger Schlüssel gefunden 'farbe' mit Wert ''rot' in Konfigurationsdatei...\nIch ignoriere das!");
}

TEST(FrameSettings, ChangedSettingsAreSavedWhileBoxesCanStillBeShown) {
  TempFolder folder;
  const std::string savedPath = theSettings.configPath;
  const std::string savedPort = theSettings.serialPort;
  const bool savedChanged = theSettings.changed;
  {
    // Unchanged settings are not written.
    theSettings.configPath = folder / "Pellburne.ini";
    theSettings.changed = false;
    BoxRecorder boxes;
    SaveChangedSettings();
    EXPECT_FALSE(std::filesystem::exists(folder / "Pellburne.ini"));
    EXPECT_TRUE(boxes.boxes.empty());
  }
  {
    theSettings.serialPort = "ttyUSB3";
    theSettings.changed = true;
    BoxRecorder boxes;
    SaveChangedSettings();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(theSettings.changed);  // not written a second time at exit
    std::string text = ReadFile(folder / "Pellburne.ini");
    EXPECT_NE(text.find("serialPort = ttyUSB3\n"), std::string::npos) << text;
  }
  {
    // A file that cannot be written is reported in a box.
    theSettings.configPath = folder / "fehlt/Pellburne.ini";
    theSettings.changed = true;
    BoxRecorder boxes;
    SaveChangedSettings();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Einstellungsfehler");
    EXPECT_EQ(boxes.boxes[0].text, "Die geänderten Programmeinstellungen konnten nicht gespeichert werden. Pfad: " +
                                       folder / "fehlt/Pellburne.ini");
    EXPECT_FALSE(theSettings.changed);
  }
  theSettings.configPath = savedPath;
  theSettings.serialPort = savedPort;
  theSettings.changed = savedChanged;
}

}  // namespace
