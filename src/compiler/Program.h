#pragma once
// The code-generation context of one compile: the selected board, the image,
// the label map, the string constants and the deferred instructions.
//
// Typical use by the code of a block:
//
//   program.DefineLabel(label, program.binary.position);
//   program.Emit(Compiler::LDI(24, 5));             // emitted at once
//   program.DeferCodeAddressToZ("print_number");    // Z := label, 4 bytes
//   program.Emit(Compiler::ICALL());
//   program.DeferSTS({"var0", 1}, 25);              // STS var0+1, r25
//   program.stringConstants.emplace_back(program.NewLabel(), "Hallo");
//
// After the whole project is written, Link() places the strings and fills in
// every deferred instruction; `binary.code` is then the finished image.
#include "compiler/Binary.h"
#include "compiler/Board.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class Sub;

namespace Compiler {

struct ValueExpression;
struct MathExpression;

class Program {
public:
  // The comparison of CompareAndBranch, left ? right.
  enum CompareMode {
    CompareGreater = 0,
    CompareGreaterOrEqual = 1,
    CompareEqual = 2,
    CompareLess = 3,
    CompareLessOrEqual = 4,
    CompareNotEqual = 5,
  };

  Board board;
  Binary binary;
  uint32_t labelCounter = 0;  // last number used for a generated label
  // Hashed: a compile defines and looks up a label for almost every block.
  std::unordered_map<std::string, uint16_t> locations;
  std::vector<std::pair<std::string, std::string>> stringConstants;  // (label, text)
  std::vector<std::unique_ptr<DeferedInstruction>> deferredInstructions;
  // Each sub's place in its project, filled on first use by SubLabel.
  std::unordered_map<const Sub*, size_t> subNumbers;

  // Copies the selected board's runtime, takes its symbols as the first
  // labels, defines program_start behind the runtime and defers the loading
  // of Z at call_user_main. Throws std::runtime_error without call_user_main.
  Program();
  explicit Program(const Board& board);

  void Emit(const Encoded& instruction) { binary.Emit(instruction); }

  // Records the instruction at the current position. At the end of the image
  // four 0x5A placeholder bytes are reserved; inside it nothing is written.
  void Defer(std::unique_ptr<DeferedInstruction> instruction);
  void DeferCodeAddressToZ(const UnknownAddress& target);
  void DeferLoadFlashAddress(const UnknownAddress& target, uint16_t regLo, uint16_t regHi);
  void DeferLDS(uint16_t rd, const UnknownAddress& source);
  void DeferSTS(const UnknownAddress& destination, uint16_t rr);

  // "loc1", "loc2", ...: one number per call, shared by every kind of label.
  std::string NewLabel();
  // The first definition of a name wins; later ones have no effect.
  void DefineLabel(const std::string& name, uint32_t address);

  // Appends the string constants (each ended by 0x00) and completes every
  // deferred instruction. Throws std::runtime_error for an undefined label.
  void Link();

  // The I/O address of a register of the board; an OperandError naming the
  // operand when the board has no such register.
  uint16_t IoAddress(const std::string& port, const std::string& operand) const;
  // Makes sure an integer variable's name is one of the runtime's variable
  // cells (var0, var1, ...); an OperandError naming the operand when it is
  // not, since any other name, even another runtime symbol, has no cell.
  void RequireVariableCell(const std::string& name, const std::string& operand) const;

  // Loads an operand's 16-bit value into regLo (low byte) and regHi.
  void CodifyExpression(const ValueExpression& value, unsigned short regLo, unsigned short regHi);
  // Computes left op right into r24:r25.
  void CodifyExpression(const MathExpression& operation);
  // Continues with the next instruction when left ? right holds (signed),
  // and jumps to target when it does not.
  void CompareAndBranch(const ValueExpression& left, CompareMode mode, const ValueExpression& right,
                        const UnknownAddress& target);
};

}  // namespace Compiler
