#pragma once
// Scratch folders and whole-file helpers for the project-file tests.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>

namespace testfiles {

class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pellburne-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  // Names of the entries in the folder, sorted, one per line.
  std::string Listing() const {
    std::set<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(path)) names.insert(e.path().filename().string());
    std::string out;
    for (auto& n : names) out += n + "\n";
    return out;
  }
  std::filesystem::path path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A tmpfs of the given size ("64k") mounted on a new folder for as long as
// this lives; `mounted` is false where mounting is not allowed.
class SmallFileSystem {
public:
  SmallFileSystem(const std::string& folder, const char* size) : path(folder) {
    std::filesystem::create_directory(folder);
    mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted) umount(path.c_str());
  }
  std::string path;
  bool mounted = false;
};

// Runs f while writes past `bytes` of a file fail with an error (the signal
// that would end the process is ignored meanwhile).
template <class F>
auto WithFileSizeLimit(rlim_t bytes, F f) {
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &small);
  auto result = f();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, handler);
  return result;
}

} // namespace testfiles
