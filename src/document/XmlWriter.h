#pragma once
// Writes a project file element by element: no attributes, one element or
// leaf per line, indented by nesting depth.
//
// The file is saved through NativeSafeSave: only Commit() puts the text in
// place, and only when every write succeeded, so a failed save never touches
// the file that was there before.
#include <cstdio>
#include <string>

#include "toolkit/SafeSave.h"

class XMLWriter {
public:
  static const char* const Spaces;  // 32 blanks
  static constexpr int SpacesCount = 32;

  // Opens the file for saving and writes the declaration line. When that
  // fails, `file` stays null and nothing else happens.
  explicit XMLWriter(const std::string& path);
  ~XMLWriter();
  XMLWriter(const XMLWriter&) = delete;
  XMLWriter& operator=(const XMLWriter&) = delete;

  void OpenTag(const char* name);
  void CloseTag(const char* name);
  void TextTag(const char* name, int value);
  void TextTag(const char* name, const std::string& text);

  // Flushes, syncs and closes the file and puts it in place. False when the
  // file could not be opened or any write, the close or the rename failed;
  // the target is then left as it was.
  bool Commit();
  // The errno of the first failure; 0 while there was none.
  int Error() const { return saved.Error(); }
  // That failure as a German text for a message box.
  std::string ErrorText() const { return saved.ErrorText(); }

  // Open for writing; null when the file could not be created.
  FILE* file = nullptr;

  // The escaped form of a text leaf's content: "&", "<" and ">" become
  // entities, a carriage return "&#13;" (a reader would turn a bare one into
  // a line feed); bytes that an XML file cannot carry (other control
  // characters, broken UTF-8) become "?", so that every saved file can be
  // read again.
  static std::string Escape(const std::string& text);

private:
  void Put(const char* text, size_t length);
  void Line(const char* name, const char* content, size_t length);

  NativeSafeSave saved;
  const char* indent;
};
