#pragma once
// Files for tests: a scratch folder of the test's own, whole files read and
// written in one call, and environment variables set for one scope.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

// A fresh folder under the temporary folder, removed with all it holds when
// this goes.
class TempFolder {
public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pellburne-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp: no temporary folder");
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The full name of an entry ("a/b.pbn" may name one in a subfolder).
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  std::string Listing() const;

  std::filesystem::path path;
};

// The names of the entries in a folder, sorted, one a line.
inline std::string Listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  std::string out;
  for (const std::string& name : names) out += name + "\n";
  return out;
}

inline std::string TempFolder::Listing() const { return ::Listing(path); }

// Everything below a folder, links not followed, one entry a line with its
// owner and mode: what must stay as it was when a folder is not to be
// touched. Folders that cannot be read are left out.
inline std::string Tree(const std::filesystem::path& folder) {
  std::set<std::string> lines;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator
           it(folder, std::filesystem::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    struct stat info {};
    ::lstat(it->path().c_str(), &info);
    lines.insert(std::filesystem::relative(it->path(), folder).string() + " " + std::to_string(info.st_uid) + " " +
                 std::to_string(info.st_mode));
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

// Writes the bytes as the whole file, making its folders where missing;
// false when that fails.
inline bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return bool(out);
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first `most` bytes of the file.
inline std::vector<unsigned char> ReadBytes(const std::filesystem::path& path, size_t most = SIZE_MAX) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes;
  for (std::istreambuf_iterator<char> it(in), end; it != end && bytes.size() < most; ++it) bytes.push_back(*it);
  return bytes;
}

// Little-endian fields of a binary file.
inline uint16_t Le16(const std::vector<unsigned char>& bytes, size_t at) {
  return uint16_t(bytes.at(at) | bytes.at(at + 1) << 8);
}
inline uint32_t Le32(const std::vector<unsigned char>& bytes, size_t at) {
  return bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 | uint32_t(bytes.at(at + 3)) << 24;
}

// Sets an environment variable (or unsets it, for null) for one scope.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (previous)
      ::setenv(name, previous->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  const char* name;
  std::optional<std::string> previous;
};
