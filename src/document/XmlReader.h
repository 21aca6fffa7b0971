#pragma once
// Reads a whole project file through expat into a tree of XMLNode, then hands
// it out element by element: open an element by name, read its leaves by
// name, close it. Whatever is read leaves the tree. Every failure is thrown as
// an XMLReaderException.
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct XMLReaderException {
  const char* message;
};

struct XMLNode {
  std::string name;
  // In document order. Read children are set to null rather than erased, so
  // that taking them from the front of a long list stays cheap.
  std::vector<XMLNode*> children;
  // Character data directly inside the element. Only kept while the element
  // has no child elements: the text of a container is never read.
  std::string text;

  XMLNode* parent = nullptr;
  size_t indexInParent = 0;
  size_t firstLive = 0; // no live child before this index
  size_t liveCount = 0;

  bool HasChildren() const { return liveCount != 0; }
  // The first child not yet read; null when there is none.
  XMLNode* FirstChild() const { return liveCount ? children[firstLive] : nullptr; }
  // The first child not yet read with exactly this name; null when none.
  XMLNode* Find(std::string_view childName);
  // Takes a child out of the list.
  void Remove(XMLNode* child);

private:
  // Per-name positions of the children, built on the first search of a long
  // list so that searches by name do not rescan it.
  struct Positions {
    std::vector<size_t> at;
    size_t next = 0;
  };
  std::unique_ptr<std::unordered_map<std::string_view, Positions>> byName;
};

class XMLReader {
public:
  // Parses the whole file, or throws.
  explicit XMLReader(const std::string& path);
  ~XMLReader();
  XMLReader(const XMLReader&) = delete;
  XMLReader& operator=(const XMLReader&) = delete;

  // The first child of `current` with that name becomes `current`.
  void OpenTag(const char* name);
  // Reads and removes the first child of `current` with that name.
  void TextTag(const char* name, std::string* out);
  void TextTag(const char* name, int* out);
  // Closes the element most recently opened; the name only documents the
  // calling code.
  void CloseTag(const char* name);
  bool GetCurrentHasChild(const char* name);

  // Whether `current` has any child left, and the name of the first one
  // (null when none).
  bool CurrentHasChildren() const { return current && current->HasChildren(); }
  const char* CurrentFirstChildName() const;

  static void StartHandler(void* reader, const char* name, const char** attributes);
  static void EndHandler(void* reader, const char* name);
  static void CharHandler(void* reader, const char* data, int length);

  XMLNode* root = nullptr;
  XMLNode* current = nullptr;
  std::vector<XMLNode*> stack;

private:
  XMLNode* TakeLeaf(const char* name);

  // Every node of the tree; freed with the reader.
  std::deque<XMLNode> nodes;
  void* parsing = nullptr; // the expat parser while the constructor runs
  bool outOfMemory = false;
};
