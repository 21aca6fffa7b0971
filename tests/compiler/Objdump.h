#pragma once
// Runs avr-objdump over machine code: the independent reader of our encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/Files.h"

namespace Objdump {

// Disassembles `code` for `machine` and returns one normalised line per
// instruction ("ldi r16, 0xFF"), objdump's comments removed.
inline std::vector<std::string> Disassemble(const std::vector<uint8_t>& code, const std::string& machine) {
  TempFolder folder;
  const std::string path = folder / "code.bin";
  WriteFile(path, std::string(code.begin(), code.end()));
  std::string command = "avr-objdump -D -z -b binary -m " + machine + " " + path + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (pipe) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }

  // "   a:\t1c f0       \tbrlt\t.+6      \t;  0x12"
  static const std::regex line(R"(^\s*[0-9a-f]+:\t(?:[0-9a-f]{2} )+\s*\t([^;]*?)\s*(;.*)?$)");
  std::vector<std::string> result;
  std::istringstream lines(output);
  std::string text;
  while (std::getline(lines, text)) {
    std::smatch match;
    if (!std::regex_match(text, match, line)) continue;
    std::string instruction = std::regex_replace(match[1].str(), std::regex(R"(\s+)"), " ");
    result.push_back(instruction);
  }
  EXPECT_FALSE(result.empty()) << "avr-objdump printed:\n" << output;
  return result;
}

}  // namespace Objdump
