#include "toolkit/FileNames.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

bool InsideCharacter(const std::string& text, size_t at) {
  return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

}  // namespace

std::string NativeFitName(int folder, const std::string& name, size_t marks, bool keepEnd) {
  long limit = ::fpathconf(folder, _PC_NAME_MAX);
  if (limit <= 0) limit = NAME_MAX;
  const size_t room = size_t(limit) > marks + 16 ? size_t(limit) - marks : 16;
  if (name.size() <= room) return name;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  char hashText[10];
  std::snprintf(hashText, sizeof hashText, "#%08x", hash);
  const size_t keep = room - (sizeof hashText - 1);
  if (!keepEnd) {
    size_t cut = keep;
    while (cut > 0 && InsideCharacter(name, cut)) --cut;
    return name.substr(0, cut) + hashText;
  }
  size_t from = name.size() - keep;
  while (InsideCharacter(name, from)) ++from;
  return hashText + name.substr(from);
}
