#pragma once
// Scratch folders and whole-file helpers for the project-file tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

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

} // namespace testfiles
