#include "compiler/Program.h"

#include <stdexcept>

namespace Compiler {

namespace {
std::runtime_error UndefinedLocation(const std::string& label) {
  return std::runtime_error("Location " + label + " has not been defined");
}
}  // namespace

Program::Program() : Program(Board()) {}

Program::Program(const Board& selected) : board(selected) {
  binary.Emit(board.stdlib->data(), board.stdlib->size());
  locations.insert(board.stdlibSymbols->begin(), board.stdlibSymbols->end());
  DefineLabel("program_start", binary.position);

  auto callUserMain = locations.find("call_user_main");
  if (callUserMain == locations.end()) throw UndefinedLocation("call_user_main");
  // The runtime holds four zero bytes there, reserved for loading Z.
  binary.position = callUserMain->second;
  DeferCodeAddressToZ("program_start");
  binary.position = static_cast<uint32_t>(binary.code.size());
}

void Program::Defer(std::unique_ptr<DeferedInstruction> instruction) {
  instruction->codePosition = static_cast<uint16_t>(binary.position);
  if (binary.position == binary.code.size()) {
    static const uint8_t placeholder[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    binary.Emit(placeholder, sizeof placeholder);
  }
  deferredInstructions.push_back(std::move(instruction));
}

void Program::DeferCodeAddressToZ(const UnknownAddress& target) {
  Defer(std::make_unique<DeferedCodeAddressToZ>(target));
}

void Program::DeferLoadFlashAddress(const UnknownAddress& target, uint16_t regLo, uint16_t regHi) {
  Defer(std::make_unique<DeferedLoadFlashAddress>(target, regLo, regHi));
}

void Program::DeferLDS(uint16_t rd, const UnknownAddress& source) { Defer(std::make_unique<DeferedLDS>(source, rd)); }

void Program::DeferSTS(const UnknownAddress& destination, uint16_t rr) {
  Defer(std::make_unique<DeferedSTS>(destination, rr));
}

std::string Program::NewLabel() { return "loc" + std::to_string(++labelCounter); }

void Program::DefineLabel(const std::string& name, uint32_t address) {
  locations.emplace(name, static_cast<uint16_t>(address));
}

void Program::Link() {
  static const uint8_t terminator = 0x00;
  for (const auto& [label, text] : stringConstants) {
    DefineLabel(label, binary.position);
    binary.Emit(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    binary.Emit(&terminator, 1);
  }
  for (auto& instruction : deferredInstructions) {
    auto location = locations.find(instruction->target.label);
    if (location == locations.end()) throw UndefinedLocation(instruction->target.label);
    instruction->address = static_cast<uint16_t>(location->second + instruction->target.offset);
    instruction->SecondPass(binary);
  }
}

}  // namespace Compiler
