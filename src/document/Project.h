#pragma once
// The document: the ordered list of charts (subs[0] is the main program
// "Start"), the operand table their texts are parsed against, and the file
// name last saved or loaded.
#include <string>
#include <vector>

#include "language/Variables.h"

class Sub;
namespace Compiler {
class Program;
}

class Project {
public:
  std::vector<Sub*> subs;  // owning, in project order
  Variables variables;     // built from the settings
  std::string fileName;

  // No subs yet: the caller adds the start sub with AddChart.
  Project();
  ~Project();
  Project(const Project&) = delete;
  Project& operator=(const Project&) = delete;

  Sub* AddChart();
  // Deletes the sub if it belongs to the project. Callers never pass subs[0].
  void DeleteChart(Sub* sub);
  // Whether a sub other than `except` bears the name.
  bool HasSubNamed(const std::string& name, const Sub* except = nullptr) const;
  // Loading: no subs, the settings' operand table and the path as file
  // name; with ok given, reads the file and stores whether that worked, and
  // with failure given, why the file could not be read as a German text
  // (empty for a file that was read but holds no valid project).
  Project(std::string path, bool* ok, std::string* failure = nullptr);
  // False when the file could not be written completely; the file that was
  // there before is then left as it was, and failure (when given) gets the
  // cause as a German text.
  bool WriteXML(const std::string& path, std::string* failure = nullptr);
  // Appends the file's subs; false on a read error, with failure as above.
  bool ReadXML(const std::string& path, std::string* failure = nullptr);
  // Every sub's code in project order (compiler).
  void WriteCode(Compiler::Program& program);
};
