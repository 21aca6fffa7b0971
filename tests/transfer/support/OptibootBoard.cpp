#include "OptibootBoard.h"

#include "sim/Simulator.h"

#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_irq.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <stdexcept>

namespace {

constexpr uint16_t McusrAddress = 0x54;
constexpr uint8_t ExternalResetFlag = 0x02;
constexpr uint32_t Frequency = 16000000;

}  // namespace

struct OptibootBoard::Sim {
  avr_t* avr = nullptr;
  avr_irq_t* uartInput = nullptr;
  bool xon = true;
  std::vector<uint8_t> output;
};

namespace {

void OnUartOutput(avr_irq_t*, uint32_t value, void* param) {
  static_cast<OptibootBoard::Sim*>(param)->output.push_back(static_cast<uint8_t>(value));
}
void OnXon(avr_irq_t*, uint32_t, void* param) { static_cast<OptibootBoard::Sim*>(param)->xon = true; }
void OnXoff(avr_irq_t*, uint32_t, void* param) { static_cast<OptibootBoard::Sim*>(param)->xon = false; }

uint8_t HexByte(const std::string& line, size_t at) {
  return static_cast<uint8_t>(std::stoi(line.substr(at, 2), nullptr, 16));
}

}  // namespace

std::vector<std::pair<uint32_t, std::vector<uint8_t>>> ReadIntelHex(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> records;
  uint32_t base = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 11 || line[0] != ':') continue;
    uint8_t count = HexByte(line, 1);
    uint32_t address = (HexByte(line, 3) << 8) | HexByte(line, 5);
    uint8_t type = HexByte(line, 7);
    std::vector<uint8_t> data;
    for (unsigned i = 0; i < count; ++i) data.push_back(HexByte(line, 9 + 2 * i));
    if (type == 0)
      records.emplace_back(base + address, data);
    else if (type == 1)
      break;
    else if (type == 2 && count == 2)
      base = ((data[0] << 8) | data[1]) << 4;
    else if (type == 4 && count == 2)
      base = ((data[0] << 8) | data[1]) << 16;
  }
  return records;
}

OptibootBoard::OptibootBoard(uint8_t applicationFill) : sim(std::make_unique<Sim>()) {
  avr_t* avr = avr_make_mcu_by_name("atmega328p");
  if (!avr) throw std::runtime_error("simavr has no atmega328p");
  avr_init(avr);
  avr->frequency = Frequency;
  avr->reset_pc = BootloaderStart;
  std::memset(avr->flash, applicationFill, BootloaderStart);
  for (auto& [address, data] : ReadIntelHex(PELLBURNE_OPTIBOOT_HEX)) {
    if (address + data.size() > avr->flashend + 1) throw std::runtime_error("optiboot beyond flash");
    std::memcpy(avr->flash + address, data.data(), data.size());
  }
  sim->avr = avr;
  // Bytes go out as fast as the simulation runs; no console echo.
  uint32_t flags = 0;
  avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS('0'), &flags);
  flags &= ~(AVR_UART_FLAG_POLL_SLEEP | AVR_UART_FLAG_STDIO);
  avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
  sim->uartInput = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
  avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), OnUartOutput, sim.get());
  avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON), OnXon, sim.get());
  avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF), OnXoff, sim.get());
  thread = std::thread([this] { Run(); });
}

OptibootBoard::~OptibootBoard() {
  Stop();
  avr_terminate(sim->avr);
}

void OptibootBoard::Stop() {
  stop = true;
  if (thread.joinable()) thread.join();
}

std::vector<uint8_t> OptibootBoard::Flash(uint32_t address, uint32_t count) const {
  return std::vector<uint8_t>(sim->avr->flash + address, sim->avr->flash + address + count);
}

void OptibootBoard::Run() {
  using Clock = std::chrono::steady_clock;
  avr_t* avr = sim->avr;
  bool wasOpen = false;
  bool running = false;
  bool inApplication = false;
  Clock::time_point wallStart;
  avr_cycle_count_t cycleStart = 0;
  std::deque<uint8_t> input;
  while (!stop) {
    bool open = pty.SlaveOpen();
    if (open && !wasOpen) {
      // The auto-reset: the port was just opened.
      avr_reset(avr);
      avr->data[McusrAddress] = ExternalResetFlag;
      sim->xon = true;
      input.clear();
      running = true;
      inApplication = false;
      ++resets;
      wallStart = Clock::now();
      cycleStart = avr->cycle;
    }
    wasOpen = open;
    if (!running) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    if (input.empty()) {
      std::vector<uint8_t> bytes = pty.Read(0);
      input.insert(input.end(), bytes.begin(), bytes.end());
    }
    while (sim->xon && !input.empty()) {
      avr_raise_irq(sim->uartInput, input.front());
      input.pop_front();
    }
    // One slice of 100 simulated microseconds.
    avr_cycle_count_t target = avr->cycle + Frequency / 10000;
    while (avr->cycle < target) {
      int state = avr_run(avr);
      if (state == cpu_Done || state == cpu_Crashed) {
        running = false;
        break;
      }
      if (!inApplication && avr->pc < BootloaderStart) {  // the bootloader has started the application
        pty.Write(sim->output);                           // the bootloader's last replies
        sim->output.clear();
        inApplication = true;
        applicationStarted = true;
        if (!runApplication) {
          running = false;
          break;
        }
      }
      if (inApplication && ::Sim::AtStopLoop(avr)) {
        applicationEnded = true;
        running = false;
        break;
      }
    }
    if (inApplication) {
      applicationOutput.append(sim->output.begin(), sim->output.end());
      sim->output.clear();
    } else if (!sim->output.empty()) {
      pty.Write(sim->output);
      sim->output.clear();
    }
    // Never run ahead of wall time.
    auto simulated = std::chrono::nanoseconds((avr->cycle - cycleStart) * 1000000000ull / Frequency);
    auto ahead = wallStart + simulated - Clock::now();
    if (ahead > std::chrono::microseconds(500)) std::this_thread::sleep_for(ahead);
  }
}
