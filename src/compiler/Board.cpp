#include "compiler/Board.h"

#include "RuntimeImages.h"
#include "language/Settings.h"

namespace {

RuntimeImage ImageOf(const RuntimeImages::Image& image) { return RuntimeImage(image.bytes, image.bytes + image.size); }

SymbolMap SymbolsOf(const RuntimeImages::Image& image) {
  SymbolMap symbols;
  for (size_t i = 0; i < image.symbolCount; ++i) symbols.emplace(image.symbols[i].name, image.symbols[i].address);
  return symbols;
}

}  // namespace

// Built at start-up in this order (Arduino, Corbelo, Mandolet) and destroyed
// in reverse at exit; read-only in between.
namespace Arduino {
namespace {
const IoRegisterMap ioRegisterToAddress = {
    {"PINB", 0x03},  {"DDRB", 0x04}, {"PORTB", 0x05}, {"PINC", 0x06},  {"DDRC", 0x07},
    {"PORTC", 0x08}, {"PIND", 0x09}, {"DDRD", 0x0A},  {"PORTD", 0x0B},
};
const RuntimeImage Stdlib = ImageOf(RuntimeImages::arduino);
const SymbolMap StdlibSymbols = SymbolsOf(RuntimeImages::arduino);
}  // namespace
// 32 KB of flash less the 512 bytes of the bootloader at its top.
BoardTables Tables() { return {ioRegisterToAddress, Stdlib, StdlibSymbols, 32256}; }
}  // namespace Arduino

namespace Corbelo {
namespace {
const IoRegisterMap ioRegisterToAddress = {
    {"PINA", 0x19}, {"DDRA", 0x1A}, {"PORTA", 0x1B}, {"PINB", 0x16}, {"DDRB", 0x17}, {"PORTB", 0x18},
};
const RuntimeImage Stdlib = ImageOf(RuntimeImages::corbelo);
const SymbolMap StdlibSymbols = SymbolsOf(RuntimeImages::corbelo);
}  // namespace
BoardTables Tables() { return {ioRegisterToAddress, Stdlib, StdlibSymbols, 8192}; }
}  // namespace Corbelo

namespace Mandolet {
namespace {
const IoRegisterMap ioRegisterToAddress = {
    {"PINA", 0x19}, {"DDRA", 0x1A}, {"PORTA", 0x1B}, {"PINB", 0x16}, {"DDRB", 0x17}, {"PORTB", 0x18},
};
const RuntimeImage Stdlib = ImageOf(RuntimeImages::mandolet);
const SymbolMap StdlibSymbols = SymbolsOf(RuntimeImages::mandolet);
}  // namespace
BoardTables Tables() { return {ioRegisterToAddress, Stdlib, StdlibSymbols, 8192}; }
}  // namespace Mandolet

Target TargetOf(const std::string& programmer) {
  return programmer == "Corbelo" ? Target::MandoletBootloader : Target::ArduinoStk500;
}

Board::Board() : Board(theSettings.programmer) {}

Board::Board(const std::string& programmer) {
  const bool mandolet = TargetOf(programmer) == Target::MandoletBootloader;
  const BoardTables tables = mandolet ? Mandolet::Tables() : Arduino::Tables();
  ioRegisterToAddress = &tables.ioRegisterToAddress;
  stdlib = &tables.stdlib;
  stdlibSymbols = &tables.stdlibSymbols;
  flashSize = tables.flashSize;
  name = mandolet ? "Mandolet" : "Arduino";
}
