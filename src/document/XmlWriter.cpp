#include "document/XmlWriter.h"

const char* const XMLWriter::Spaces = "                                ";

namespace {

const char Declaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

// Length of the UTF-8 sequence at text[i] if it encodes a character that XML
// allows, else 0.
size_t XmlCharLength(const unsigned char* text, size_t i, size_t size) {
  unsigned char c = text[i];
  if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
  size_t length;
  unsigned long code;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    code = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    code = c & 0x07;
  } else
    return 0;
  if (i + length > size) return 0;
  for (size_t k = 1; k < length; ++k) {
    unsigned char d = text[i + k];
    if ((d & 0xC0) != 0x80) return 0;
    code = (code << 6) | (d & 0x3F);
  }
  // Overlong forms, surrogates, the two non-characters XML excludes, and
  // anything past U+10FFFF.
  if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000)) return 0;
  if (code >= 0xD800 && code <= 0xDFFF) return 0;
  if (code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string XMLWriter::Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  auto bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t length = XmlCharLength(bytes, i, text.size());
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    switch (text[i]) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '\r':
      out += "&#13;";
      break;
    default:
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

XMLWriter::XMLWriter(const std::string& path) : saved(path), indent(Spaces + SpacesCount) {
  file = saved.Stream();
  Put(Declaration, sizeof Declaration - 1);
}

XMLWriter::~XMLWriter() = default;

void XMLWriter::Put(const char* text, size_t length) { saved.Write(text, length); }

void XMLWriter::Line(const char* name, const char* content, size_t length) {
  std::string line(indent);
  line += '<';
  line += name;
  line += '>';
  line.append(content, length);
  line += "</";
  line += name;
  line += ">\n";
  Put(line.data(), line.size());
}

void XMLWriter::OpenTag(const char* name) {
  std::string line(indent);
  line += '<';
  line += name;
  line += ">\n";
  Put(line.data(), line.size());
  if (indent != Spaces) --indent;
}

void XMLWriter::CloseTag(const char* name) {
  if (indent != Spaces + SpacesCount) ++indent;
  std::string line(indent);
  line += "</";
  line += name;
  line += ">\n";
  Put(line.data(), line.size());
}

void XMLWriter::TextTag(const char* name, int value) {
  std::string number = std::to_string(value);
  Line(name, number.data(), number.size());
}

void XMLWriter::TextTag(const char* name, const std::string& text) {
  std::string escaped = Escape(text);
  Line(name, escaped.data(), escaped.size());
}

bool XMLWriter::Commit() {
  file = nullptr;
  return saved.Commit();
}
