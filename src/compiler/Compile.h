#pragma once
// A project's way to a finished image: its code, the link step and the test
// that the image fits the board.
#include <string>

#include "compiler/Program.h"

class Project;
class Sub;

namespace Compiler {

// Writes the project's code into program, links it and refuses an image
// larger than the board's flash with a CodeWriteException that marks no
// item. Chart errors come as CodeWriteException, internal ones as
// std::runtime_error; either leaves program unusable.
void CompileAndLink(Project& project, Program& program);

// Refuses a linked image that does not fit the board's flash.
void CheckImageSize(const Program& program);

// The code label of a sub: unique within the program and unlike every
// runtime symbol and generated label, whatever the sub is named.
std::string SubLabel(Program& program, const Sub& sub);

// The comparison of a condition's operator (CompareOperator 0 to 5).
extern const Program::CompareMode operatorToCompareMode[6];
Program::CompareMode CompareModeOf(int compareOperator);

}  // namespace Compiler
