#include "language/Settings.h"

#include "toolkit/MessageBox.h"
#include "toolkit/FileErrors.h"
#include "toolkit/Platform.h"
#include "toolkit/RegularFile.h"
#include "toolkit/SafeSave.h"

#include <filesystem>
#include <memory>
#include <sstream>
#include <sys/stat.h>

namespace {

const char* const ConfigError = "Konfigurationsfehler";
const char* const FolderName = "Pellburne";
const char* const FileName = "Pellburne.ini";
// A broken file must not bury the user in boxes.
constexpr int ComplaintBoxes = 5;

bool PathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string Trim(const std::string& text, const char* whitespace) {
  size_t first = text.find_first_not_of(whitespace);
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(whitespace);
  return text.substr(first, last - first + 1);
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ' ';
    text += name;
  }
  return text;
}

void AppendNumbered(std::vector<std::string>& names, const char* prefix, int from, int to) {
  for (int i = from; i <= to; ++i) names.push_back(prefix + std::to_string(i));
}

std::string InvalidKeyText(const std::string& key, const std::string& value) {
  return "Ungültiger Schlüssel gefunden '" + key + "' mit Wert ''" + value +
         "' in Konfigurationsdatei...\nIch ignoriere das!";
}

std::string SkippedText(int lines) {
  if (lines == 1) return "1 weitere fehlerhafte Zeile der Konfigurationsdatei wurde übersprungen.";
  return std::to_string(lines) + " weitere fehlerhafte Zeilen der Konfigurationsdatei wurden übersprungen.";
}

std::string UnreadableText(const std::string& path, int error) {
  return "Die Konfigurationsdatei " + path + " konnte nicht gelesen werden.\n" + NativeErrorText(error) +
         "\nEs gelten die Standardeinstellungen; die Datei wird nicht überschrieben.";
}

// Far above any real settings file: a link to an endless device must not
// eat the memory before the window appears.
constexpr size_t MostBytes = 1 << 20;

std::string AliasText(const std::vector<std::pair<std::string, std::string>>& aliases) {
  std::string text;
  for (const auto& [name, target] : aliases) {
    if (!text.empty()) text += ", ";
    text += name + ":" + target;
  }
  return text;
}

}  // namespace

Settings::Settings() {
  NativeGetExecutablePath(executablePath);
  std::string dir;
  if (NativeGetAppDataDir(dir)) appDataDir = dir;
  Construct();
}

Settings::Settings(std::string executablePath, std::optional<std::string> appDataDir)
    : executablePath(std::move(executablePath)), appDataDir(std::move(appDataDir)) {
  Construct();
}

void Settings::Construct() {
  SetDefaults();
  ReadConfigIfExists();
  changed = false;
}

Settings::~Settings() {
  if (changed) WriteConfig();
}

void Settings::SetDefaults() {
  programmer = "Corbelo";
  serialPort = "HID";
  AppendNumbered(integerVariables, "var", 0, 31);
  AppendNumbered(ioPorts, "PORTB.", 0, 7);
  AppendNumbered(ioPorts, "PORTC.", 6, 6);
  AppendNumbered(ioPins, "PIND.", 2, 7);
  AppendNumbered(adcChannels, "ADC", 0, 5);
}

std::string Settings::ExecutableIniPath() const {
  // Without a known program path there is no "next to the program".
  return executablePath.empty() ? std::string() : executablePath + ".ini";
}

std::string Settings::DataFolder() const { return *appDataDir + NativePathSeparator + FolderName; }

void Settings::ReadConfigIfExists() {
  configPath = ExecutableIniPath();
  if (configPath.empty() || !PathExists(configPath)) {
    configPath = appDataDir ? DataFolder() + NativePathSeparator + FileName : std::string();
    if (configPath.empty() || !PathExists(configPath)) {
      configPath.clear();
      return;
    }
  }

  std::string content;
  int error = 0;
  if (!NativeReadRegularFile(configPath, content, MostBytes, error)) {
    unreadable = true;
    MessageBox::Show(UnreadableText(configPath, error), ConfigError);
    return;
  }
  complaints = 0;
  std::istringstream file(content);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      Complain("Ungültige Zeile in der Konfigurationsdatei:\n" + line);
      continue;
    }
    OnKey(Trim(line.substr(0, equals), " \t"), Trim(line.substr(equals + 1), " \t"));
  }
  if (complaints > ComplaintBoxes) MessageBox::Show(SkippedText(complaints - ComplaintBoxes), ConfigError);
  aliasesAsRead = aliases;
}

void Settings::Complain(const std::string& text) {
  if (++complaints <= ComplaintBoxes) MessageBox::Show(text, ConfigError);
}

void Settings::OnKey(std::string key, std::string value) {
  auto setList = [&value](std::vector<std::string>& list) {
    list.clear();
    String::Tokenize(value, list, ' ');
  };
  if (key == "programmer") {
    programmer = value;
  } else if (key == "serialPort") {
    serialPort = value;
  } else if (key == "integerVariables") {
    setList(integerVariables);
  } else if (key == "ioPorts") {
    setList(ioPorts);
  } else if (key == "ioPins") {
    setList(ioPins);
  } else if (key == "adcChannels") {
    setList(adcChannels);
  } else if (key == "aliases") {
    aliasLines.push_back(value);
    std::vector<std::string> pieces;
    String::Tokenize(value, pieces, ',');
    for (const std::string& piece : pieces) {
      std::vector<std::string> parts;
      String::Tokenize(piece, parts, ':');
      std::string name, target;
      if (parts.size() >= 2) {
        name = Trim(parts[0], " \t\r\n\v\f");
        target = Trim(parts[1], " \t\r\n\v\f");
      }
      if (name.empty() || target.empty()) {
        Complain(InvalidKeyText(key, value));
        aliases.clear();
        return;
      }
      aliases.emplace_back(name, target);
    }
  } else {
    Complain(InvalidKeyText(key, value));
  }
}

void Settings::WriteConfig() {
  // Told at start-up; the file may still hold what the user needs.
  if (unreadable) return;
  std::unique_ptr<NativeSafeSave> file;
  auto open = [&file](const std::string& path) {
    file = std::make_unique<NativeSafeSave>(path);
    return file->Stream() != nullptr;
  };
  if (!configPath.empty()) {
    open(configPath);
  } else {
    configPath = ExecutableIniPath();
    if ((configPath.empty() || !open(configPath)) && appDataDir) {
      std::string folder = DataFolder();
      // The configuration folder itself may be missing on a fresh account.
      std::error_code ignored;
      std::filesystem::create_directories(folder, ignored);
      configPath = folder + NativePathSeparator + FileName;
      open(configPath);
    }
  }

  bool written = false;
  if (file && file->Stream()) {
    // The program never changes the aliases: their lines go back as they
    // were, so a broken one can still be mended by hand.
    std::vector<std::string> aliasValues = aliasLines;
    if (aliasValues.empty() || aliases != aliasesAsRead) aliasValues = {AliasText(aliases)};
    std::string text = "programmer = " + programmer + "\n" + "serialPort = " + serialPort + "\n" +
                       "integerVariables = " + Join(integerVariables) + "\n" + "ioPorts = " + Join(ioPorts) + "\n" +
                       "ioPins = " + Join(ioPins) + "\n" + "adcChannels = " + Join(adcChannels) + "\n";
    for (const std::string& value : aliasValues) text += "aliases = " + value + "\n";
    written = file->Write(text.data(), text.size()) && file->Commit();
  }
  if (!written)
    MessageBox::Show("Die geänderten Programmeinstellungen konnten nicht gespeichert werden. Pfad: " + configPath,
                     "Einstellungsfehler");
}

namespace {

Settings MakeTheSettings() {
  // The message-box service must outlive theSettings, whose destructor may
  // report a failed save at exit: have it built first.
  MessageBox::SetService(MessageBox::SetService({}));
  return Settings();
}

}  // namespace

Settings theSettings = MakeTheSettings();
