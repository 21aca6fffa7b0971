// libFuzzer target: the three chart-text parsers against a default operand
// table (with a few aliases). Any crash, leak or failed round trip is a fault.
#include "../language/RoundTrip.h"
#include "../language/DefaultOperands.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const Variables& Table() {
  static Variables* table = [] {
    UseDefaultOperands();
    auto* made = new Variables;
    made->AddAlias("Led", "PORTB.0");
    made->AddAlias("Taster", "PIND.2");
    made->AddAlias("Zahl", "var7");
    made->AddAlias("Sensor", "ADC1");
    return made;
  }();
  return *table;
}

void Require(const std::string& failure) {
  if (!failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Variables& table = Table();
  const std::string text(reinterpret_cast<const char*>(data), size);

  Require(RoundTrip::CheckAssignment(table, text));
  Require(RoundTrip::CheckCondition(table, text));
  Require(RoundTrip::CheckParameter(table, text));

  Require(RoundTrip::CheckSuggestions(table, text));
  return 0;
}
