#include "compiler/Compile.h"

#include "compiler/CodeWriteException.h"
#include "document/Project.h"

namespace Compiler {

void CheckImageSize(const Program& program) {
  const size_t size = program.binary.code.size();
  if (size > program.board.flashSize)
    throw CodeWriteException(nullptr, "Das Programm ist zu groß für den Speicher des Boards: " + std::to_string(size) +
                                          " von " + std::to_string(program.board.flashSize) + " Bytes.");
}

void CompileAndLink(Project& project, Program& program) {
  project.WriteCode(program);
  program.Link();
  CheckImageSize(program);
}

}  // namespace Compiler
