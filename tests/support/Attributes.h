#pragma once
// Extended attributes and POSIX ACLs, as tests set and compare them. An
// ACL is the attribute "system.posix_acl_access": a version, then entries of
// tag, permissions and id, sorted by tag and id.
#include <cstdint>
#include <map>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace acl {

constexpr uint16_t UserObj = 0x01, User = 0x02, GroupObj = 0x04, Group = 0x08, Mask = 0x10, Other = 0x20;
constexpr uint32_t NoId = 0xffffffff;

struct Entry {
  uint16_t tag;
  uint16_t permissions;  // 4 read, 2 write, 1 execute
  uint32_t id = NoId;
};

// The attribute's value for these entries.
inline std::string Value(const std::vector<Entry>& entries) {
  std::string value;
  auto put = [&](uint32_t number, int bytes) {
    for (int i = 0; i < bytes; ++i) value += char((number >> (8 * i)) & 0xFF);
  };
  put(2, 4);
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.permissions, 2);
    put(e.id, 4);
  }
  return value;
}

}  // namespace acl

inline bool SetAttribute(const std::string& path, const std::string& name, const std::string& value) {
  return ::lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
}

// Every extended attribute the caller may read, name to value.
inline std::map<std::string, std::string> Attributes(const std::string& path) {
  std::map<std::string, std::string> found;
  std::vector<char> names(65536);
  ssize_t length = ::llistxattr(path.c_str(), names.data(), names.size());
  for (ssize_t at = 0; at < length; at += ssize_t(std::string(&names[size_t(at)]).size()) + 1) {
    const std::string name = &names[size_t(at)];
    std::vector<char> value(65536);
    ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (size >= 0) found[name] = std::string(value.data(), size_t(size));
  }
  return found;
}
