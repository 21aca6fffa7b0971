// Writes the program's icon into an icon theme's folders at build time, so
// that the installed icon is drawn by the same code as the window's.
#include <cstdio>

#include "editor/ProgramIcon.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s THEME-FOLDER ICON-NAME\n", argv[0]);
    return 2;
  }
  if (WriteProgramIconFiles(argv[1], argv[2])) return 0;
  std::fprintf(stderr, "%s: cannot write the icons into %s\n", argv[0], argv[1]);
  return 1;
}
