#include "document/XmlReader.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <memory>
#include <new>
#include <unistd.h>

#include "toolkit/FileErrors.h"
#include "toolkit/RegularFile.h"

namespace {

const char* const ParserError = "Fehelr des XML-Parsers";
const char* const IoError = "Eingabe/Ausgabe-Fehler";
const char* const SyntaxError = "Parserfehler";
const char* const NoElement = "Konnte kein schließendes Tag für das geöffnete Tag finden";
const char* const NoLeaf = "Konnte Tag für das Texttag nicht finden";
const char* const BadNumber = "Ungültige Zahl im Text-Tag";
const char* const LeafWithChildren = "Texttag mit Kindelementen";
const char* const ChildrenLeft = "Ein Tag wurde geschlossen, obwohl nicht alle Kindelemente eingelesen wurden";
const char* const NotAChild = "";

// Lists at least this long get a per-name index on their first search.
constexpr size_t IndexFrom = 16;
constexpr size_t BlockSize = 1 << 16;

struct ParserFree {
  void operator()(XML_ParserStruct* p) const { XML_ParserFree(p); }
};
struct ClosedAtEnd {
  ~ClosedAtEnd() { close(fd); }
  int fd;
};

// Turns every CR LF in the bytes into LF; returns the new length.
size_t JoinCrLf(char* bytes, size_t length) {
  char* cr = static_cast<char*>(memchr(bytes, '\r', length));
  if (!cr) return length;
  size_t out = cr - bytes;
  for (size_t i = out; i < length; ++i)
    if (bytes[i] != '\r' || i + 1 == length || bytes[i + 1] != '\n') bytes[out++] = bytes[i];
  return out;
}

// The first two bytes tell UTF-16 just as expat tells it: by its byte-order
// mark, or by a 00 among them, which no 8-bit document starts with.
bool IsUtf16(const char* bytes, size_t length) {
  if (length < 2) return false;
  unsigned pair = unsigned(static_cast<unsigned char>(bytes[0])) << 8 | static_cast<unsigned char>(bytes[1]);
  return pair == 0xFEFF || pair == 0xFFFE || bytes[0] == '\0' || bytes[1] == '\0';
}

}  // namespace

XMLNode* XMLNode::Find(std::string_view childName) {
  if (!firstChild) return nullptr;
  // Lists are mostly read front to back.
  if (firstChild->name == childName) return firstChild;
  if (!byName && liveCount >= IndexFrom) {
    byName = std::make_unique<std::unordered_map<std::string_view, Positions>>();
    for (XMLNode* c = firstChild; c; c = c->next) (*byName)[c->name].nodes.push_back(c);
  }
  if (byName) {
    auto it = byName->find(childName);
    if (it == byName->end()) return nullptr;
    Positions& p = it->second;
    while (p.next < p.nodes.size() && p.nodes[p.next]->removed) ++p.next;
    return p.next < p.nodes.size() ? p.nodes[p.next] : nullptr;
  }
  for (XMLNode* c = firstChild->next; c; c = c->next)
    if (c->name == childName) return c;
  return nullptr;
}

void XMLNode::Append(XMLNode* child) {
  child->parent = this;
  child->previous = lastChild;
  if (lastChild)
    lastChild->next = child;
  else
    firstChild = child;
  lastChild = child;
  ++childCount;
  ++liveCount;
}

void XMLNode::Remove(XMLNode* child) {
  if (child->previous)
    child->previous->next = child->next;
  else
    firstChild = child->next;
  if (child->next)
    child->next->previous = child->previous;
  else
    lastChild = child->previous;
  child->previous = child->next = nullptr;
  child->removed = true;
  --liveCount;
}

XMLNode* XMLReader::NewNode() {
  if (usedInBlock == NodesPerBlock) {
    blocks.push_back(std::make_unique<XMLNode[]>(NodesPerBlock));
    usedInBlock = 0;
  }
  return &blocks.back()[usedInBlock++];
}

XMLReader::XMLReader(const std::string& path) {
  std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
  if (!parser) throw XMLReaderException{ParserError};
  XML_SetUserData(parser.get(), this);
  XML_SetElementHandler(parser.get(), StartHandler, EndHandler);
  XML_SetCharacterDataHandler(parser.get(), CharHandler);

  // Only a plain file: a pipe or a device in its place would block the program.
  int error = 0;
  int fd = NativeOpenRegularFile(path, error);
  if (fd < 0) throw XMLReaderException{IoError, error};
  ClosedAtEnd closed{fd};
  // No further than the size the file had when it was opened: a file that
  // another program keeps writing ends in a read error, not an endless read.
  NativeBoundedRead in(fd);

  root = NewNode();
  current = root;
  parsing = parser.get();
  // An 8-bit file is read as text: CR LF becomes LF before the parser sees
  // it, so a text's own CR LF, saved as CR CR LF, is one line break again. A
  // CR at the end of a block waits for the next block. In UTF-16 the bytes of
  // CR LF may be halves of other characters, so those bytes stay as they are;
  // expat joins the line ends after decoding either way.
  bool asText = true;
  bool heldCr = false;
  for (bool first = true, final = false; !final; first = false) {
    char* buffer = static_cast<char*>(XML_GetBuffer(parser.get(), BlockSize + 1));
    if (!buffer) throw std::bad_alloc();
    if (heldCr) buffer[0] = '\r';
    size_t got = 0;
    while (got < BlockSize) {
      ssize_t part = in.Read(buffer + heldCr + got, BlockSize - got);
      if (part < 0) throw XMLReaderException{IoError, in.Error()};
      if (part == 0) {
        final = true;
        break;
      }
      got += size_t(part);
    }
    // Only the last block holds fewer than BlockSize bytes, so the first
    // holds the first two bytes of any file that has them.
    if (first) asText = !IsUtf16(buffer, got);
    size_t length = got + heldCr;
    if (asText) {
      length = JoinCrLf(buffer, length);
      heldCr = !final && length && buffer[length - 1] == '\r';
      if (heldCr) --length;
    }
    if (XML_ParseBuffer(parser.get(), static_cast<int>(length), final) == XML_STATUS_ERROR) {
      // Bytes of two versions of a file that another program rewrote
      // meanwhile are rarely a document.
      if (in.ChangedSinceOpened()) throw XMLReaderException{IoError, NativeFileChanged};
      if (outOfMemory) throw std::bad_alloc();
      throw XMLReaderException{SyntaxError};
    }
  }
  parsing = nullptr;
  current = root;
  stack.clear();
  // The spare entry lets one CloseTag too many fail with the empty message.
  stack.push_back(root);
}

XMLReader::~XMLReader() { current = nullptr; }

void XMLReader::StartHandler(void* data, const char* name, const char**) {
  auto* r = static_cast<XMLReader*>(data);
  try {
    XMLNode* node = r->NewNode();
    node->name = name;
    XMLNode* parent = r->current;
    if (!parent->childCount) parent->text.clear();
    parent->Append(node);
    r->stack.push_back(parent);
    r->current = node;
  } catch (...) {
    r->outOfMemory = true;
    XML_StopParser(static_cast<XML_Parser>(r->parsing), XML_FALSE);
  }
}

void XMLReader::EndHandler(void* data, const char*) {
  auto* r = static_cast<XMLReader*>(data);
  if (r->stack.empty()) return;  // only after a failed start
  r->current = r->stack.back();
  r->stack.pop_back();
}

void XMLReader::CharHandler(void* data, const char* text, int length) {
  auto* r = static_cast<XMLReader*>(data);
  if (r->current->childCount) return;
  try {
    r->current->text.append(text, static_cast<size_t>(length));
  } catch (...) {
    r->outOfMemory = true;
    XML_StopParser(static_cast<XML_Parser>(r->parsing), XML_FALSE);
  }
}

void XMLReader::OpenTag(const char* name) {
  XMLNode* child = current->Find(name);
  if (!child) throw XMLReaderException{NoElement};
  stack.push_back(current);
  current = child;
}

XMLNode* XMLReader::TakeLeaf(const char* name) {
  XMLNode* child = current->Find(name);
  if (!child) throw XMLReaderException{NoLeaf};
  if (child->childCount) throw XMLReaderException{LeafWithChildren};
  current->Remove(child);
  return child;
}

void XMLReader::TextTag(const char* name, std::string* out) {
  XMLNode* leaf = TakeLeaf(name);
  out->swap(leaf->text);
}

void XMLReader::TextTag(const char* name, int* out) {
  XMLNode* leaf = TakeLeaf(name);
  const char* text = leaf->text.c_str();
  char* end = nullptr;
  errno = 0;
  long value = strtol(text, &end, 10);
  if (end != text + leaf->text.size()) throw XMLReaderException{BadNumber};
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  *out = static_cast<int>(value);
}

void XMLReader::CloseTag(const char*) {
  if (stack.empty()) throw XMLReaderException{NotAChild};
  XMLNode* closed = current;
  XMLNode* parent = stack.back();
  stack.pop_back();
  current = parent;
  if (closed->parent != parent || closed->removed) throw XMLReaderException{NotAChild};
  if (closed->HasChildren()) throw XMLReaderException{ChildrenLeft};
  parent->Remove(closed);
}

bool XMLReader::GetCurrentHasChild(const char* name) { return current->Find(name) != nullptr; }

const char* XMLReader::CurrentFirstChildName() const {
  XMLNode* first = current ? current->FirstChild() : nullptr;
  return first ? first->name.c_str() : nullptr;
}
