#pragma once
// The program's configuration: the settings file, held by theSettings.
#include <optional>
#include <string>
#include <utility>
#include <vector>

class Settings {
public:
  // Uses the running program's path and the user's configuration folder.
  Settings();
  // Uses the given program file path and configuration folder (none when
  // empty), so the search and the save can be pointed elsewhere.
  Settings(std::string executablePath, std::optional<std::string> appDataDir);
  // Saves when changed is set.
  ~Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  void SetDefaults();
  void ReadConfigIfExists();
  void OnKey(std::string key, std::string value);
  void WriteConfig();

  std::string configPath;
  bool changed = false;
  std::string programmer;
  std::string serialPort;
  std::vector<std::string> integerVariables;
  std::vector<std::string> ioPorts;
  std::vector<std::string> ioPins;
  std::vector<std::string> adcChannels;
  std::vector<std::pair<std::string, std::string>> aliases;

private:
  void Construct();
  std::string ExecutableIniPath() const;
  std::string DataFolder() const;

  std::string executablePath;
  std::optional<std::string> appDataDir;
};

extern Settings theSettings;
