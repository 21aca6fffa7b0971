// Feeds arbitrary bytes to the project loader. A file that loads must save,
// load again, and save to the same bytes.
#include "document/Project.h"
#include "toolkit/RegularFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The files of this run lie in a folder of their own (under $TMPDIR), so
// runs that share the temporary folder never meet; it goes at exit.
struct Folder {
  std::string path;
  Folder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellburne-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()))
      path = pattern;
    else
      std::fprintf(stderr, "no folder for the fuzz files under %s\n", pattern.c_str());
  }
  ~Folder() {
    if (path.empty()) return;
    for (const char* name : {"in.pbn", "a.pbn", "b.pbn"}) std::remove(File(name).c_str());
    rmdir(path.c_str());
  }
  std::string File(const char* name) const { return path + "/" + name; }
  // A save that fails for want of room says nothing about the program.
  bool Full() const {
    struct statvfs fs;
    return statvfs(path.c_str(), &fs) != 0 || static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < (16u << 20);
  }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool SavedOrFull(Project& project, const Folder& folder, const std::string& path) {
  if (project.WriteXML(path)) return true;
  if (!folder.Full()) __builtin_trap();
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  if (folder.path.empty()) return 0;
  // Every input is loaded the moment it was written: waiting for the file to
  // come to rest would cost each run tens of milliseconds, and no other
  // program writes these files.
  static const bool atOnce = (NativeSetConfirmedReads(false), true);
  (void)atOnce;
  static const std::string input = folder.File("in.pbn"), first = folder.File("a.pbn"), second = folder.File("b.pbn");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) return 0;  // nothing to load: the folder is full
  }
  bool ok = false;
  Project loaded(input, &ok);
  if (!ok) return 0;
  if (!SavedOrFull(loaded, folder, first)) return 0;
  bool again = false;
  Project reloaded(first, &again);
  if (!again) __builtin_trap();
  if (!SavedOrFull(reloaded, folder, second)) return 0;
  if (ReadAll(first) != ReadAll(second)) __builtin_trap();
  return 0;
}
