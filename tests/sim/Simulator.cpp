#include "Simulator.h"

#include <simavr/avr_adc.h>
#include <simavr/avr_eeprom.h>
#include <simavr/avr_ioport.h>
#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_io.h>
#include <simavr/sim_irq.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace Sim {
namespace {

// simavr has no ATtiny861: this is one built from its public parts. Register
// addresses are data-space addresses (I/O address + 0x20).
struct Tiny861 {
  avr_t core;  // first, so that an avr_t* is a Tiny861*
  avr_eeprom_t eeprom;
  avr_ioport_t porta;
  avr_ioport_t portb;
  avr_adc_t adc;
};

constexpr uint16_t Data(uint8_t ioAddress) { return static_cast<uint16_t>(ioAddress + 0x20); }

avr_regbit_t Bit(uint16_t reg, uint8_t bit) {
  avr_regbit_t b{};
  b.reg = reg;
  b.bit = bit;
  b.mask = 1;
  return b;
}

void Tiny861Init(avr_t* avr) {
  Tiny861* chip = reinterpret_cast<Tiny861*>(avr);
  avr_eeprom_init(avr, &chip->eeprom);
  avr_ioport_init(avr, &chip->porta);
  avr_ioport_init(avr, &chip->portb);
  avr_adc_init(avr, &chip->adc);
}

void Tiny861Reset(avr_t*) {}

avr_t* MakeTiny861() {
  Tiny861* chip = static_cast<Tiny861*>(std::calloc(1, sizeof(Tiny861)));
  if (!chip) throw std::bad_alloc();
  avr_t& core = chip->core;
  core.mmcu = "attiny861";
  core.ioend = 0x5F;
  core.ramend = 0x25F;
  core.flashend = 0x1FFF;
  core.e2end = 0x1FF;
  core.vector_size = 2;
  core.signature[0] = 0x1E;
  core.signature[1] = 0x93;
  core.signature[2] = 0x0D;
  core.fuse[0] = 0x62;
  core.fuse[1] = 0xDF;
  core.fuse[2] = 0xFF;
  core.lockbits = 0xFF;
  core.address_size = 2;
  const uint16_t mcusr = Data(0x34);
  core.reset_flags.porf = Bit(mcusr, 0);
  core.reset_flags.extrf = Bit(mcusr, 1);
  core.reset_flags.borf = Bit(mcusr, 2);
  core.reset_flags.wdrf = Bit(mcusr, 3);
  core.init = Tiny861Init;
  core.reset = Tiny861Reset;

  const uint16_t eecr = Data(0x1C);
  avr_eeprom_t& ee = chip->eeprom;
  ee.size = 512;
  ee.r_eearh = Data(0x1F);
  ee.r_eearl = Data(0x1E);
  ee.r_eedr = Data(0x1D);
  ee.r_eecr = static_cast<uint8_t>(eecr);
  ee.eepm[0] = Bit(eecr, 4);
  ee.eepm[1] = Bit(eecr, 5);
  ee.eempe = Bit(eecr, 2);
  ee.eepe = Bit(eecr, 1);
  ee.eere = Bit(eecr, 0);
  ee.ready.enable = Bit(eecr, 3);
  ee.ready.vector = 9;

  chip->porta.name = 'A';
  chip->porta.r_port = Data(0x1B);
  chip->porta.r_ddr = Data(0x1A);
  chip->porta.r_pin = Data(0x19);
  chip->portb.name = 'B';
  chip->portb.r_port = Data(0x18);
  chip->portb.r_ddr = Data(0x17);
  chip->portb.r_pin = Data(0x16);

  avr_adc_t& adc = chip->adc;
  const uint16_t admux = Data(0x07), adcsra = Data(0x06), adcsrb = Data(0x03);
  adc.r_admux = static_cast<uint8_t>(admux);
  for (uint8_t i = 0; i < 5; ++i) adc.mux[i] = Bit(admux, i);
  adc.mux[5] = Bit(adcsrb, 3);
  adc.ref[0] = Bit(admux, 6);
  adc.ref[1] = Bit(admux, 7);
  adc.ref[2] = Bit(adcsrb, 4);
  adc.ref_values[0] = ADC_VREF_VCC;
  adc.ref_values[1] = ADC_VREF_AREF;
  adc.ref_values[2] = ADC_VREF_V110;
  adc.ref_values[6] = ADC_VREF_V256;
  adc.adlar = Bit(admux, 5);
  adc.r_adcsra = static_cast<uint8_t>(adcsra);
  adc.aden = Bit(adcsra, 7);
  adc.adsc = Bit(adcsra, 6);
  adc.adate = Bit(adcsra, 5);
  for (uint8_t i = 0; i < 3; ++i) adc.adps[i] = Bit(adcsra, i);
  adc.r_adch = static_cast<uint8_t>(Data(0x05));
  adc.r_adcl = static_cast<uint8_t>(Data(0x04));
  adc.r_adcsrb = static_cast<uint8_t>(adcsrb);
  for (uint8_t i = 0; i < 3; ++i) adc.adts[i] = Bit(adcsrb, i);
  adc.adts_op[0] = avr_adts_free_running;
  adc.adc.enable = Bit(adcsra, 3);
  adc.adc.raised = Bit(adcsra, 4);
  adc.adc.vector = 11;
  for (uint16_t channel = 0; channel <= 10; ++channel) {
    adc.muxmode[channel].kind = ADC_MUX_SINGLE;
    adc.muxmode[channel].src = channel;
  }
  return &core;
}

void NoSleep(avr_t*, avr_cycle_count_t) {}

}  // namespace

BoardTables TablesFor(Chip chip) {
  switch (chip) {
  case Chip::ATtiny861:
    return Mandolet::Tables();
  case Chip::ATtiny84:
    return Corbelo::Tables();
  case Chip::ATmega328P:
    break;
  }
  return Arduino::Tables();
}

Simulator::Simulator(Chip chip) : chip_(chip) {
  uint32_t frequency = 8000000;
  if (chip == Chip::ATtiny861) {
    avr_ = MakeTiny861();
  } else {
    avr_ = avr_make_mcu_by_name(chip == Chip::ATtiny84 ? "attiny84" : "atmega328p");
    if (chip == Chip::ATmega328P) frequency = 16000000;
  }
  if (!avr_) throw std::runtime_error("simavr has no core for this chip");
  avr_->log = LOG_ERROR;
  if (avr_init(avr_) != 0) {
    std::free(avr_);
    throw std::runtime_error("simavr could not initialise the chip");
  }
  avr_->frequency = frequency;  // avr_init leaves 1 MHz
  avr_->vcc = avr_->avcc = avr_->aref = 5000;
  avr_->sleep = NoSleep;  // never wait in real time

  if (chip == Chip::ATmega328P) {
    uint32_t flags = 0;  // no slow-down on status polls, no console echo
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), &Simulator::OnUartByte,
                            this);
  } else {
    // Software serial transmit pin of the board's runtime.
    int bit = chip == Chip::ATtiny861 ? 4 : 0;
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), bit), &Simulator::OnPinChange, this);
  }
}

Simulator::~Simulator() {
  avr_terminate(avr_);
  std::free(avr_);
}

void Simulator::OnPinChange(avr_irq_t*, uint32_t value, void* param) {
  Simulator* self = static_cast<Simulator*>(param);
  bool level = value != 0;
  if (!self->changes_.empty() && self->changes_.back().second == level) return;
  self->changes_.emplace_back(self->avr_->cycle, level);
}

void Simulator::OnUartByte(avr_irq_t*, uint32_t value, void* param) {
  static_cast<Simulator*>(param)->uartBytes_.push_back(static_cast<char>(value & 0xFF));
}

void Simulator::Load(const std::vector<uint8_t>& image) {
  if (image.size() > avr_->flashend + 1u) throw std::length_error("image larger than the chip's flash");
  std::memset(avr_->flash, 0xFF, avr_->flashend + 1u);
  avr_loadcode(avr_, const_cast<uint8_t*>(image.data()), static_cast<uint32_t>(image.size()), 0);
  avr_reset(avr_);
  avr_->sleep = NoSleep;
  stopped_ = false;
  changes_.clear();
  uartBytes_.clear();
}

void Simulator::FillSram(uint8_t value) {
  uint32_t first = avr_->ioend + 1u;
  std::memset(avr_->data + first, value, avr_->ramend + 1u - first);
}

bool AtStopLoop(const avr_t* avr) {
  uint32_t pc = avr->pc;
  if (pc + 1 > avr->flashend) return false;
  uint16_t word = static_cast<uint16_t>(avr->flash[pc] | avr->flash[pc + 1] << 8);
  return word == 0xCFFF && !avr->sreg[S_I];
}

bool Simulator::AtStopLoop() const { return Sim::AtStopLoop(avr_); }

bool Simulator::Run(uint64_t cycleLimit) {
  const uint64_t end = avr_->cycle + cycleLimit;
  while (avr_->cycle < end) {
    if (AtStopLoop()) {
      stopped_ = true;
      return true;
    }
    int state = avr_run(avr_);
    if (state == cpu_Done || state == cpu_Crashed) return false;
  }
  stopped_ = AtStopLoop();
  return stopped_;
}

uint64_t Simulator::Cycles() const { return avr_->cycle; }
uint32_t Simulator::ProgramCounter() const { return avr_->pc; }
uint32_t Simulator::Frequency() const { return avr_->frequency; }

uint8_t Simulator::ReadSram(uint16_t address) const {
  if (address > avr_->ramend) throw std::out_of_range("beyond the chip's SRAM");
  return avr_->data[address];
}

uint16_t Simulator::ReadWord(uint16_t address) const {
  return static_cast<uint16_t>(ReadSram(address) | ReadSram(static_cast<uint16_t>(address + 1)) << 8);
}

void Simulator::WriteSram(uint16_t address, uint8_t value) {
  if (address > avr_->ramend) throw std::out_of_range("beyond the chip's SRAM");
  avr_->data[address] = value;
}

uint8_t Simulator::ReadIo(uint8_t ioAddress) const { return ReadSram(static_cast<uint16_t>(ioAddress + 0x20)); }

uint8_t Simulator::ReadRegister(int r) const {
  if (r < 0 || r > 31) throw std::out_of_range("no such register");
  return avr_->data[r];
}

int16_t Simulator::ReadVariable(int n) const {
  const SymbolMap& symbols = TablesFor(chip_).stdlibSymbols;
  return static_cast<int16_t>(ReadWord(symbols.at("var" + std::to_string(n))));
}

void Simulator::SetPin(char port, int bit, bool level) {
  if (bit < 0 || bit > 7) throw std::out_of_range("no such pin");
  avr_irq_t* irq = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ(port), bit);
  if (!irq) throw std::out_of_range("no such port");
  // Also as the port's external level, so that a pull-up switched on later
  // does not override the driven pin.
  Driven& driven = driven_[port];
  driven.mask = static_cast<uint8_t>(driven.mask | 1u << bit);
  driven.value = static_cast<uint8_t>(level ? driven.value | 1u << bit : driven.value & ~(1u << bit));
  avr_ioport_external_t external{};
  external.name = static_cast<unsigned long>(port);
  external.mask = driven.mask;
  external.value = driven.value;
  avr_ioctl(avr_, AVR_IOCTL_IOPORT_SET_EXTERNAL(port), &external);
  avr_raise_irq(irq, level ? 1 : 0);
}

void Simulator::SetAdcMillivolts(int channel, uint32_t millivolts) {
  if (channel < 0 || channel > 7) throw std::out_of_range("only ADC0 to ADC7 can be fed");
  avr_irq_t* irq = avr_io_getirq(avr_, AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_ADC0 + channel);
  if (!irq) throw std::out_of_range("the chip has no ADC");
  avr_raise_irq(irq, millivolts);
}

double Simulator::SerialBitCycles() const { return static_cast<double>(avr_->frequency) / baud_; }

std::string Simulator::SerialOutput() const {
  if (chip_ == Chip::ATmega328P) return uartBytes_;
  return DecodeSerial(changes_, SerialBitCycles(), avr_->cycle);
}

std::string DecodeSerial(const std::vector<std::pair<uint64_t, bool>>& changes, double bitCycles, uint64_t endCycle) {
  auto levelAt = [&](double cycle) {
    auto after = std::upper_bound(changes.begin(), changes.end(), cycle,
                                  [](double c, const auto& change) { return c < change.first; });
    return after == changes.begin() ? true : std::prev(after)->second;
  };
  std::string bytes;
  double resume = 0;
  for (size_t i = 0; i < changes.size(); ++i) {
    const auto& [cycle, level] = changes[i];
    bool before = i == 0 ? true : changes[i - 1].second;
    if (level || !before || cycle < resume) continue;  // not a start edge
    double start = static_cast<double>(cycle);
    if (start + 9.5 * bitCycles > static_cast<double>(endCycle)) break;
    unsigned value = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (levelAt(start + (1.5 + bit) * bitCycles)) value |= 1u << bit;
    resume = start + 9.5 * bitCycles;
    if (levelAt(resume)) bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

}  // namespace Sim

// simavr 1.6 keeps its IRQ pool, IRQ names and hooks after avr_terminate();
// leak checking of the sanitizer builds leaves those allocations aside.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libsimavr.so\n"; }
