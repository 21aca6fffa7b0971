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
  // Shows the first few complaints about the file read; counts the rest.
  void Complain(const std::string& text);
  std::string ExecutableIniPath() const;
  std::string DataFolder() const;

  std::string executablePath;
  std::optional<std::string> appDataDir;
  // The file at configPath exists but could not be read: it is never
  // written over.
  bool unreadable = false;
  int complaints = 0;
  // The aliases lines' values as read, written back unchanged as long as
  // the aliases are the ones read from them.
  std::vector<std::string> aliasLines;
  std::vector<std::pair<std::string, std::string>> aliasesAsRead;
};

extern Settings theSettings;
