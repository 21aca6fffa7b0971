#pragma once
// Listings of generated user code, read back with avr-objdump.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Objdump.h"
#include "compiler/Program.h"

namespace CodeListing {

using Lines_t = std::vector<std::string>;

// Where the user code starts: right behind the Mandolet runtime.
constexpr uint32_t ProgramStart = 752;

// Links the program and disassembles the code written from `from` up to the
// string constants (the end of the code before linking).
inline std::vector<std::string> LinkAndList(Compiler::Program& program, uint32_t from) {
  const uint32_t end = program.binary.position;
  program.Link();
  std::vector<uint8_t> code(program.binary.code.begin() + from, program.binary.code.begin() + end);
  if (code.empty()) return {};
  return Objdump::Disassemble(code, "avr25");
}

inline std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

inline std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

// The loading of Z with the word address of a flash byte address.
inline std::vector<std::string> LoadZ(unsigned byteAddress) {
  return {"ldi r30, " + Hex2(byteAddress >> 1), "ldi r31, " + Hex2(byteAddress >> 9)};
}

inline std::vector<std::string> LoadZ(const Compiler::Program& program, const std::string& label) {
  return LoadZ(program.locations.at(label));
}

// Concatenates listing pieces.
inline std::vector<std::string> Lines(std::initializer_list<std::vector<std::string>> pieces) {
  std::vector<std::string> all;
  for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

}  // namespace CodeListing
