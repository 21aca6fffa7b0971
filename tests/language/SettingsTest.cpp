#include "language/Settings.h"
#include "toolkit/MessageBox.h"
#include "support/BoxRecorder.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
using Names = std::vector<std::string>;

const std::string InvalidLine = "Ungültige Zeile in der Konfigurationsdatei:\n";
const std::string ConfigCaption = "Konfigurationsfehler";

std::string InvalidKey(const std::string& key, const std::string& value) {
  return "Ungültiger Schlüssel gefunden '" + key + "' mit Wert ''" + value +
         "' in Konfigurationsdatei...\nIch ignoriere das!";
}

// A program folder and a data folder in a fresh temporary folder, and a
// recorder for the message boxes.
class SettingsFile : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(root / "bin");
    fs::create_directories(root / "config");
  }

  std::string Program() const { return (root / "bin" / "pellburne").string(); }
  std::string ProgramIni() const { return Program() + ".ini"; }
  std::string DataDir() const { return (root / "config").string(); }
  std::string DataIni() const { return DataDir() + "/Pellburne/Pellburne.ini"; }

  // Reads a settings file placed next to the program.
  std::unique_ptr<Settings> Load(const std::string& content) {
    WriteFile(ProgramIni(), content);
    return std::make_unique<Settings>(Program(), DataDir());
  }

  TempFolder folder;
  const fs::path root = folder.path;
  BoxRecorder recorder;
  std::vector<RecordedBox>& boxes = recorder.boxes;
};

const Names DefaultIntegers = [] {
  Names names;
  for (int i = 0; i < 32; ++i) names.push_back("var" + std::to_string(i));
  return names;
}();
const Names DefaultPorts = {"PORTB.0", "PORTB.1", "PORTB.2", "PORTB.3", "PORTB.4",
                            "PORTB.5", "PORTB.6", "PORTB.7", "PORTC.6"};
const Names DefaultPins = {"PIND.2", "PIND.3", "PIND.4", "PIND.5", "PIND.6", "PIND.7"};
const Names DefaultAdc = {"ADC0", "ADC1", "ADC2", "ADC3", "ADC4", "ADC5"};

TEST_F(SettingsFile, WithoutAnyFileTheDefaultsHoldAndNothingIsWritten) {
  {
    Settings settings(Program(), DataDir());
    EXPECT_EQ(settings.configPath, "");
    EXPECT_FALSE(settings.changed);
    EXPECT_EQ(settings.programmer, "Corbelo");
    EXPECT_EQ(settings.serialPort, "HID");
    EXPECT_EQ(settings.integerVariables, DefaultIntegers);
    EXPECT_EQ(settings.ioPorts, DefaultPorts);
    EXPECT_EQ(settings.ioPins, DefaultPins);
    EXPECT_EQ(settings.adcChannels, DefaultAdc);
    EXPECT_TRUE(settings.aliases.empty());
  }
  EXPECT_FALSE(fs::exists(ProgramIni()));
  EXPECT_FALSE(fs::exists(root / "config" / "Pellburne"));
  EXPECT_TRUE(boxes.empty());

  Settings withoutDataFolder(Program(), std::nullopt);
  EXPECT_EQ(withoutDataFolder.configPath, "");
}

TEST_F(SettingsFile, FileNextToTheProgramWinsAndTheDataFolderFileIsNotRead) {
  WriteFile(DataIni(), "serialPort = COM9\nkaputt\n");
  {
    Settings settings(Program(), DataDir());
    EXPECT_EQ(settings.configPath, DataIni());
    EXPECT_EQ(settings.serialPort, "COM9");
    ASSERT_EQ(boxes.size(), 1u);
  }
  boxes.clear();
  WriteFile(ProgramIni(), "serialPort = COM3\n");
  Settings settings(Program(), DataDir());
  EXPECT_EQ(settings.configPath, ProgramIni());
  EXPECT_EQ(settings.serialPort, "COM3");
  EXPECT_TRUE(boxes.empty()) << "the data-folder file was read too";
}

TEST_F(SettingsFile, LineEndsOfBothKindsAndAFinalLineBreakGiveNoExtraLine) {
  for (const char* end : {"\n", "\r\n"}) {
    boxes.clear();
    std::string e = end;
    auto settings = Load("programmer = STK500" + e + "serialPort = ttyUSB0" + e + "ioPins = a b" + e);
    EXPECT_EQ(settings->programmer, "STK500");
    EXPECT_EQ(settings->serialPort, "ttyUSB0");
    EXPECT_EQ(settings->ioPins, (Names{"a", "b"}));
    EXPECT_TRUE(boxes.empty()) << "line end " << (e.size() == 2 ? "CR LF" : "LF");
  }
  // The last line needs no line break.
  auto settings = Load("serialPort = COM1\r\nprogrammer = X");
  EXPECT_EQ(settings->programmer, "X");
  EXPECT_EQ(settings->serialPort, "COM1");
}

TEST_F(SettingsFile, EmptyAndMalformedLinesShowABoxAndReadingGoesOn) {
  auto settings = Load("programmer = A\r\n\r\nohne Gleichheitszeichen\nserialPort = B\n");
  EXPECT_EQ(settings->programmer, "A");
  EXPECT_EQ(settings->serialPort, "B");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, InvalidLine);
  EXPECT_EQ(boxes[0].caption, ConfigCaption);
  EXPECT_EQ(boxes[0].buttons, MessageBox::Buttons::Ok);
  EXPECT_EQ(boxes[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes[1].text, InvalidLine + "ohne Gleichheitszeichen");
}

TEST_F(SettingsFile, LinesSplitAtTheFirstEqualsSignAndTrimOnlyBlanksAndTabs) {
  auto settings = Load(
      "serialPort = COM3 = x\n"
      "  ioPins=PIND.2   PIND.3  \n"
      "\tintegerVariables\t=\tzähler\tneu  alt\t\n"
      "programmer =\n");
  EXPECT_EQ(settings->serialPort, "COM3 = x");
  EXPECT_EQ(settings->ioPins, (Names{"PIND.2", "PIND.3"}));
  // A tab inside the value is part of a name.
  EXPECT_EQ(settings->integerVariables, (Names{"zähler\tneu", "alt"}));
  EXPECT_EQ(settings->programmer, "");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsFile, KeysAreCaseSensitiveAndUnknownOnesAreIgnored) {
  auto settings = Load("Programmer = x\nfarbe = rot = blau\n");
  EXPECT_EQ(settings->programmer, "Corbelo");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, InvalidKey("Programmer", "x"));
  EXPECT_EQ(boxes[0].caption, ConfigCaption);
  EXPECT_EQ(boxes[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes[1].text, InvalidKey("farbe", "rot = blau"));
}

TEST_F(SettingsFile, ListsAreReplacedAndCanBeEmptied) {
  auto settings = Load("integerVariables =\nioPorts = P1 P2\nioPorts = P3\nadcChannels = K1\n");
  EXPECT_TRUE(settings->integerVariables.empty());
  EXPECT_EQ(settings->ioPorts, (Names{"P3"}));
  EXPECT_EQ(settings->ioPins, DefaultPins);
  EXPECT_EQ(settings->adcChannels, (Names{"K1"}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsFile, AliasLinesAddUp) {
  auto settings = Load("aliases = Led:PORTB.0, Knopf:PIND.2\naliases = a:b:c,, Tab\t: PORTC.6 \naliases =\n");
  EXPECT_EQ(settings->aliases, (Pairs{{"Led", "PORTB.0"}, {"Knopf", "PIND.2"}, {"a", "b"}, {"Tab", "PORTC.6"}}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsFile, ABadAliasClearsEveryAliasAndStopsItsLine) {
  for (const std::string bad : {"Led:PORTB.0, Knopf, c:d", "Led:PORTB.0, :x", "Led:PORTB.0, y: \t, z:w", "Led::"}) {
    boxes.clear();
    auto settings = Load("aliases = früher:var0\naliases = " + bad + "\naliases = später:var1\n");
    EXPECT_EQ(settings->aliases, (Pairs{{"später", "var1"}})) << bad;
    ASSERT_EQ(boxes.size(), 1u) << bad;
    EXPECT_EQ(boxes[0].text, InvalidKey("aliases", bad));
    EXPECT_EQ(boxes[0].caption, ConfigCaption);
  }
}

TEST_F(SettingsFile, WritesAllSevenLinesWithDefaultsAndReadsThemBack) {
  {
    Settings settings(Program(), DataDir());
    settings.serialPort = "COM5";
    settings.ioPins.clear();
    settings.aliases = {{"Led", "PORTB.0"}, {"Knopf", "PIND.2"}};
    settings.changed = true;
  }
  std::string integers;
  for (int i = 0; i < 32; ++i) integers += (i ? " var" : "var") + std::to_string(i);
  EXPECT_EQ(ReadFile(ProgramIni()),
            "programmer = Corbelo\n"
            "serialPort = COM5\n"
            "integerVariables = " +
                integers +
                "\n"
                "ioPorts = PORTB.0 PORTB.1 PORTB.2 PORTB.3 PORTB.4 PORTB.5 PORTB.6 PORTB.7 PORTC.6\n"
                "ioPins = \n"
                "adcChannels = ADC0 ADC1 ADC2 ADC3 ADC4 ADC5\n"
                "aliases = Led:PORTB.0, Knopf:PIND.2\n");
  EXPECT_TRUE(boxes.empty());

  Settings reread(Program(), DataDir());
  EXPECT_EQ(reread.serialPort, "COM5");
  EXPECT_TRUE(reread.ioPins.empty());
  EXPECT_EQ(reread.integerVariables, DefaultIntegers);
  EXPECT_EQ(reread.aliases, (Pairs{{"Led", "PORTB.0"}, {"Knopf", "PIND.2"}}));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsFile, SavingRewritesTheFileItWasReadFrom) {
  WriteFile(DataIni(), "serialPort = COM2\n");
  {
    Settings settings(Program(), DataDir());
    settings.changed = true;
  }
  EXPECT_FALSE(fs::exists(ProgramIni()));
  EXPECT_EQ(ReadFile(DataIni()).rfind("programmer = Corbelo\nserialPort = COM2\nintegerVariables = var0 ", 0), 0u);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsFile, FirstSaveFallsBackToTheDataFolderWhenTheProgramFolderIsNotWritable) {
  // A program "folder" that is a regular file cannot hold the settings file,
  // whoever runs the test.
  WriteFile((root / "blocked").string(), "");
  std::string program = (root / "blocked" / "pellburne").string();
  std::string dataDir = (root / "fresh" / "config").string();
  std::string expected = dataDir + "/Pellburne/Pellburne.ini";
  {
    Settings settings(program, dataDir);
    settings.changed = true;
    settings.WriteConfig();
    EXPECT_EQ(settings.configPath, expected);
  }
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ReadFile(expected).rfind("programmer = Corbelo\n", 0), 0u);
}

TEST_F(SettingsFile, SaveFailureShowsTheBoxAndKeepsThePath) {
  WriteFile((root / "blocked").string(), "");
  std::string program = (root / "blocked" / "pellburne").string();
  std::string dataDir = (root / "blocked" / "config").string();
  {
    Settings settings(program, dataDir);
    settings.changed = true;
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Die geänderten Programmeinstellungen konnten nicht gespeichert werden. Pfad: " + dataDir +
                               "/Pellburne/Pellburne.ini");
  EXPECT_EQ(boxes[0].caption, "Einstellungsfehler");
  EXPECT_EQ(boxes[0].buttons, MessageBox::Buttons::Ok);
  EXPECT_EQ(boxes[0].icon, MessageBox::Icon::Information);

  // Without a data folder the path next to the program is reported.
  boxes.clear();
  {
    Settings settings(program, std::nullopt);
    settings.changed = true;
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Die geänderten Programmeinstellungen konnten nicht gespeichert werden. Pfad: " + program + ".ini");
}

std::string Unreadable(const std::string& path, const std::string& reason) {
  return "Die Konfigurationsdatei " + path + " konnte nicht gelesen werden.\n" + reason +
         "\nEs gelten die Standardeinstellungen; die Datei wird nicht überschrieben.";
}

// Whatever stands in the settings file's place, only a plain file of a
// settings file's size is read: anything else is named once, the defaults
// hold, and it is never written over. None of them may block or exhaust the
// memory on the way.
TEST_F(SettingsFile, AFileThatCannotBeReadGivesNoLinesAndIsNamedOnce) {
  struct Case {
    const char* name;
    std::function<bool(const std::string&)> make;
    std::string reason;
  } cases[] = {
      {"a folder", [](const std::string& path) { return fs::create_directories(path); },
       "An dieser Stelle steht ein Ordner, keine Datei."},
      {"a link to an endless device", [](const std::string& path) { return ::symlink("/dev/zero", path.c_str()) == 0; },
       "An dieser Stelle steht keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket."},
      {"a pipe", realfaults::MakePipe,
       "An dieser Stelle steht keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket."},
      {"a file of two megabytes", [](const std::string& path) { return WriteFile(path, std::string(2 << 20, '=')); },
       "Die Datei ist zu groß."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.clear();
    fs::remove_all(ProgramIni());
    ASSERT_TRUE(c.make(ProgramIni()));
    const fs::file_status before = fs::symlink_status(ProgramIni());
    realfaults::InChild([&] {
      {
        Settings settings(Program(), DataDir());
        EXPECT_EQ(settings.configPath, ProgramIni());
        EXPECT_EQ(settings.serialPort, "HID");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, Unreadable(ProgramIni(), c.reason));
        EXPECT_EQ(boxes[0].caption, ConfigCaption);
        settings.changed = true;
      }
      EXPECT_EQ(boxes.size(), 1u);
    });
    EXPECT_EQ(fs::symlink_status(ProgramIni()).type(), before.type());
    if (fs::is_regular_file(before)) {
      EXPECT_EQ(fs::file_size(ProgramIni()), size_t(2 << 20));
    }
    EXPECT_FALSE(fs::exists(DataIni()));
  }
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsNeverWrittenOver) {
  // Writable but not readable for the user: saving could destroy it.
  WriteFile(ProgramIni(), "serialPort = COM7\n");
  ::chmod(ProgramIni().c_str(), 0222);
  ::chmod(root.c_str(), 0755);
  ::chmod((root / "bin").c_str(), 0777);
  realfaults::InChild([&] {
    ASSERT_TRUE(realfaults::DropRoot());
    {
      Settings settings(Program(), DataDir());
      EXPECT_EQ(settings.serialPort, "HID");
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, Unreadable(ProgramIni(), "Keine Berechtigung für die Datei oder ihren Ordner."));
      settings.serialPort = "COM1";
      settings.changed = true;
    }
    EXPECT_EQ(boxes.size(), 1u);
  });
  ::chmod(ProgramIni().c_str(), 0644);
  EXPECT_EQ(ReadFile(ProgramIni()), "serialPort = COM7\n");
  EXPECT_EQ(fs::directory_iterator(root / "bin")->path().filename(), "pellburne.ini");
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileWhole) {
  const std::string old = "programmer = Corbelo\nserialPort = COM7\n";
  realfaults::InChild([&] {
    if (!realfaults::MountSmallFileSystem((root / "bin").string(), "64k"))
      GTEST_SKIP() << "no private mount of a small file system here";
    WriteFile(ProgramIni(), old);
    {
      Settings settings(Program(), DataDir());
      realfaults::FillUp((root / "bin").string());
      settings.serialPort = "COM1";
      settings.changed = true;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Die geänderten Programmeinstellungen konnten nicht gespeichert werden. Pfad: " + ProgramIni());
    EXPECT_EQ(ReadFile(ProgramIni()), old);
    fs::remove((root / "bin" / "filler"));
    EXPECT_EQ(fs::directory_iterator(root / "bin")->path().filename(), "pellburne.ini");
  });
}

TEST_F(SettingsFile, TheAliasesLineIsWrittenBackAsRead) {
  // The program never changes the aliases, so even a line it could not use
  // comes back for the user to mend.
  for (const std::string value : {"Led:PORTB.0, Knopf", "a:b:c,, Tab\t: PORTC.6"}) {
    auto settings = Load("serialPort = COM1\naliases = " + value + "\n");
    settings->changed = true;
    settings.reset();
    std::string text = ReadFile(ProgramIni());
    EXPECT_NE(text.find("\nserialPort = COM1\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find("\naliases = ")), "\naliases = " + value + "\n");
  }
}

TEST_F(SettingsFile, ABrokenFileGivesFiveBoxesAndOneSummary) {
  for (int bad : {2000, 6}) {
    boxes.clear();
    std::string content;
    for (int i = 0; i < bad; ++i)
      content += i % 2 ? "kaputt " + std::to_string(i) + "\n" : "farbe" + std::to_string(i) + " = rot\n";
    auto settings = Load(content + "serialPort = COM4\n");
    EXPECT_EQ(settings->serialPort, "COM4");
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, InvalidKey("farbe0", "rot"));
    EXPECT_EQ(boxes[4].text, InvalidKey("farbe4", "rot"));
    EXPECT_EQ(boxes[5].text, bad == 6 ? "1 weitere fehlerhafte Zeile der Konfigurationsdatei wurde übersprungen."
                                      : "1995 weitere fehlerhafte Zeilen der Konfigurationsdatei wurden übersprungen.");
    EXPECT_EQ(boxes[5].caption, ConfigCaption);
  }
}

}  // namespace
