#pragma once
// Reads a whole project file through expat into a tree of XMLNode, then hands
// it out element by element: open an element by name, read its leaves by
// name, close it. Whatever is read leaves the tree. Every failure is thrown as
// an XMLReaderException.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct XMLReaderException {
  const char* message;
  // Why the file itself could not be opened or read (an errno or a cause of
  // FileErrors.h); 0 for a file that was read.
  int cause = 0;
};

struct XMLNode {
  std::string name;
  // Character data directly inside the element. Only kept while the element
  // has no child elements: the text of a container is never read.
  std::string text;

  // The children not yet read, in document order, as a linked list, so that
  // taking one out anywhere is cheap.
  XMLNode* parent = nullptr;
  XMLNode* firstChild = nullptr;
  XMLNode* lastChild = nullptr;
  XMLNode* previous = nullptr;
  XMLNode* next = nullptr;
  size_t childCount = 0;  // child elements the file gave, read or not
  size_t liveCount = 0;   // those not yet read
  bool removed = false;   // read and taken out of its parent

  bool HasChildren() const { return liveCount != 0; }
  // The first child not yet read; null when there is none.
  XMLNode* FirstChild() const { return firstChild; }
  // The first child not yet read with exactly this name; null when none.
  XMLNode* Find(std::string_view childName);
  void Append(XMLNode* child);
  // Takes a child out of the list.
  void Remove(XMLNode* child);

private:
  // Per-name lists of the children, built on the first search of a long
  // list so that searches by name do not rescan it.
  struct Positions {
    std::vector<XMLNode*> nodes;
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
  XMLNode* NewNode();

  // Every node of the tree, in blocks; freed with the reader.
  static constexpr size_t NodesPerBlock = 1024;
  std::vector<std::unique_ptr<XMLNode[]>> blocks;
  size_t usedInBlock = NodesPerBlock;
  void* parsing = nullptr;  // the expat parser while the constructor runs
  bool outOfMemory = false;
};
