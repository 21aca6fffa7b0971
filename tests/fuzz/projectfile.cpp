// Feeds arbitrary bytes to the project loader. A file that loads must save,
// load again, and save to the same bytes.
#include "document/Project.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath(const char* what) {
  return "/tmp/pellburne-fuzz-" + std::to_string(getpid()) + "-" + what + ".pbn";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = TempPath("in"), first = TempPath("a"), second = TempPath("b");
  static struct Cleanup {
    ~Cleanup() {
      for (auto* p : {&input, &first, &second}) std::remove(p->c_str());
    }
  } cleanup;
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  bool ok = false;
  Project loaded(input, &ok);
  if (!ok) return 0;
  if (!loaded.WriteXML(first)) __builtin_trap();
  bool again = false;
  Project reloaded(first, &again);
  if (!again) __builtin_trap();
  if (!reloaded.WriteXML(second)) __builtin_trap();
  if (ReadAll(first) != ReadAll(second)) __builtin_trap();
  return 0;
}
