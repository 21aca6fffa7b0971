#include "language/Settings.h"

#include "toolkit/MessageBox.h"
#include "toolkit/Platform.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

const char* const ConfigError = "Konfigurationsfehler";
const char* const FolderName = "Pellburne";
const char* const FileName = "Pellburne.ini";

bool PathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string Trim(const std::string& text, const char* whitespace) {
  size_t first = text.find_first_not_of(whitespace);
  if (first == std::string::npos)
    return std::string();
  size_t last = text.find_last_not_of(whitespace);
  return text.substr(first, last - first + 1);
}

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty())
      text += ' ';
    text += name;
  }
  return text;
}

void AppendNumbered(std::vector<std::string>& names, const char* prefix, int from, int to) {
  for (int i = from; i <= to; ++i)
    names.push_back(prefix + std::to_string(i));
}

void ShowInvalidKey(const std::string& key, const std::string& value) {
  MessageBox::Show("Ungültiger Schlüssel gefunden '" + key + "' mit Wert ''" + value +
                       "' in Konfigurationsdatei...\nIch ignoriere das!",
                   ConfigError);
}

} // namespace

Settings::Settings() {
  NativeGetExecutablePath(executablePath);
  std::string dir;
  if (NativeGetAppDataDir(dir))
    appDataDir = dir;
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
  if (changed)
    WriteConfig();
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

  std::ifstream file(configPath, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      MessageBox::Show("Ungültige Zeile in der Konfigurationsdatei:\n" + line, ConfigError);
      continue;
    }
    OnKey(Trim(line.substr(0, equals), " \t"), Trim(line.substr(equals + 1), " \t"));
  }
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
        ShowInvalidKey(key, value);
        aliases.clear();
        return;
      }
      aliases.emplace_back(name, target);
    }
  } else {
    ShowInvalidKey(key, value);
  }
}

void Settings::WriteConfig() {
  std::FILE* file = nullptr;
  if (!configPath.empty()) {
    file = std::fopen(configPath.c_str(), "w");
  } else {
    configPath = ExecutableIniPath();
    if (!configPath.empty())
      file = std::fopen(configPath.c_str(), "w");
    if (!file && appDataDir) {
      std::string folder = DataFolder();
      // The configuration folder itself may be missing on a fresh account.
      std::error_code ignored;
      std::filesystem::create_directories(folder, ignored);
      configPath = folder + NativePathSeparator + FileName;
      file = std::fopen(configPath.c_str(), "w");
    }
  }

  bool written = false;
  if (file) {
    std::string aliasText;
    for (const auto& [name, target] : aliases) {
      if (!aliasText.empty())
        aliasText += ", ";
      aliasText += name + ":" + target;
    }
    std::fprintf(file, "programmer = %s\n", programmer.c_str());
    std::fprintf(file, "serialPort = %s\n", serialPort.c_str());
    std::fprintf(file, "integerVariables = %s\n", Join(integerVariables).c_str());
    std::fprintf(file, "ioPorts = %s\n", Join(ioPorts).c_str());
    std::fprintf(file, "ioPins = %s\n", Join(ioPins).c_str());
    std::fprintf(file, "adcChannels = %s\n", Join(adcChannels).c_str());
    std::fprintf(file, "aliases = %s\n", aliasText.c_str());
    written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
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

} // namespace

Settings theSettings = MakeTheSettings();
