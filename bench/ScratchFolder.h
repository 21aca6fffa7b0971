#pragma once
// A folder of the benchmark's own under $TMPDIR (else /tmp) for the files it
// saves and loads; it goes, with the files named through it, at the end.
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

class ScratchFolder {
public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellburne-bench-XXXXXX";
    if (::mkdtemp(pattern.data())) path = pattern;
  }
  ~ScratchFolder() {
    for (const std::string& file : files) ::unlink(file.c_str());
    if (!path.empty()) ::rmdir(path.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // False when no folder could be made.
  explicit operator bool() const { return !path.empty(); }
  // The path of a file in it.
  std::string File(const std::string& name) {
    files.push_back(path + "/" + name);
    return files.back();
  }

private:
  std::string path;
  std::vector<std::string> files;
};

}  // namespace bench
