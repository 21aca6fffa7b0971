#include "document/XmlWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

const char* const XMLWriter::Spaces = "                                ";

namespace {

const char Declaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

// The folder part of a path, "." when it has none.
std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Length of the UTF-8 sequence at text[i] if it encodes a character that XML
// allows, else 0.
size_t XmlCharLength(const unsigned char* text, size_t i, size_t size) {
  unsigned char c = text[i];
  if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
  size_t length;
  unsigned long code;
  if (c >= 0xC2 && c <= 0xDF) { length = 2; code = c & 0x1F; }
  else if (c >= 0xE0 && c <= 0xEF) { length = 3; code = c & 0x0F; }
  else if (c >= 0xF0 && c <= 0xF4) { length = 4; code = c & 0x07; }
  else return 0;
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

} // namespace

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
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '\r': out += "&#13;"; break;
    default: out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

XMLWriter::XMLWriter(const std::string& path) : indent(Spaces + SpacesCount), target(path) {
  // Replace what a symbolic link points at, not the link.
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      target = real;
      free(real);
    }
  }
  bool keepMode = stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);

  std::string folder = FolderOf(target), name = NameOf(target);
  std::random_device seed;
  std::minstd_rand random(seed());
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tempPath = folder + "/." + name + "." + std::to_string(random() % 1000000) + ".tmp";
    fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    tempPath.clear();
    return;
  }
  if (keepMode) fchmod(fd, st.st_mode & 07777);
  file = fdopen(fd, "w");
  if (!file) {
    close(fd);
    unlink(tempPath.c_str());
    tempPath.clear();
    return;
  }
  buffer = std::make_unique<char[]>(BufferSize);
  setvbuf(file, buffer.get(), _IOFBF, BufferSize);
  Put(Declaration, sizeof Declaration - 1);
}

XMLWriter::~XMLWriter() {
  if (file) {
    fclose(file);
    unlink(tempPath.c_str());
  }
}

void XMLWriter::Put(const char* text, size_t length) {
  if (!file || failed) return;
  if (fwrite(text, 1, length, file) != length) failed = true;
}

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
  if (!file) return false;
  bool ok = !failed && fflush(file) == 0 && !ferror(file) && fsync(fileno(file)) == 0;
  if (fclose(file) != 0) ok = false;
  file = nullptr;
  if (ok && rename(tempPath.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) unlink(tempPath.c_str());
  return ok;
}
