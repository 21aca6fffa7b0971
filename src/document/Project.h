#pragma once
// The document: the ordered list of charts (subs[0] is the main program
// "Start") and the file name last saved or loaded.
#include <string>
#include <vector>

class Sub;

class Project {
 public:
  std::vector<Sub*> subs;  // owning, in project order
  std::string fileName;

  // Empty: the caller adds the start sub with AddChart.
  Project();
  ~Project();
  Project(const Project&) = delete;
  Project& operator=(const Project&) = delete;

  Sub* AddChart();
  // Deletes the sub if it belongs to the project. Callers never pass subs[0].
  void DeleteChart(Sub* sub);
  // Loading constructor, WriteXML, ReadXML -- project file
  // WriteCode -- compiler
};
