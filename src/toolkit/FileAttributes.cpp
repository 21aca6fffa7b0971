#include "toolkit/FileAttributes.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <vector>

namespace {

const char* const AccessAcl = "system.posix_acl_access";

// Calls get(buffer, size) with a buffer that grows until the answer fits;
// false with errno set when it fails otherwise.
template <typename Get>
bool Fetch(Get get, std::vector<char>& out) {
  for (size_t size = 256;; size *= 2) {
    out.resize(size);
    ssize_t got = get(out.data(), out.size());
    if (got >= 0) {
      out.resize(size_t(got));
      return true;
    }
    if (errno != ERANGE || size > (1u << 26)) return false;
  }
}

bool Has(int fd, const char* name) { return ::fgetxattr(fd, name, nullptr, 0) >= 0; }

}  // namespace

bool NativeCopyAttributes(const std::string& from, int to) {
  std::vector<char> names;
  if (!Fetch([&](char* b, size_t n) { return ::llistxattr(from.c_str(), b, n); }, names)) {
    // A file system without attributes has none to keep.
    if (errno != ENOTSUP) return false;
    names.clear();
  }
  bool oldHasAcl = false;
  for (size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1) {
    const char* name = &names[at];
    std::vector<char> value, present;
    if (!Fetch([&](char* b, size_t n) { return ::lgetxattr(from.c_str(), name, b, n); }, value)) {
      if (errno == ENODATA) continue;  // gone meanwhile
      return false;
    }
    if (std::strcmp(name, AccessAcl) == 0) oldHasAcl = true;
    // Equal already (a security label the system gave both): nothing to set,
    // and setting it might need a privilege.
    if (Fetch([&](char* b, size_t n) { return ::fgetxattr(to, name, b, n); }, present) && present == value) continue;
    if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0) return false;
  }
  if (!oldHasAcl && Has(to, AccessAcl) && ::fremovexattr(to, AccessAcl) != 0) return false;
  return true;
}
