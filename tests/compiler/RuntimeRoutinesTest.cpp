// The Mandolet runtime's routines, called from user code at program_start and
// run on the simulated ATtiny861; the Corbelo and Arduino runtimes' start-up
// on simavr's ATtiny84 and ATmega328P.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "sim/Simulator.h"
#include "compiler/Program.h"

namespace {

using Compiler::Program;

constexpr uint64_t kLimit = 5'000'000;  // far above any of these programs

void Load16(Program& program, unsigned regLo, int value) {
  program.Emit(Compiler::LDI(regLo, static_cast<unsigned>(value) & 0xFF));
  program.Emit(Compiler::LDI(regLo + 1, (static_cast<unsigned>(value) >> 8) & 0xFF));
}

void Call(Program& program, const std::string& routine) {
  program.DeferCodeAddressToZ(routine);
  program.Emit(Compiler::ICALL());
}

// STS varN, rLo; STS varN+1, rLo+1
void Store(Program& program, int variable, unsigned regLo) {
  std::string name = "var" + std::to_string(variable);
  program.DeferSTS({name, 0}, static_cast<uint16_t>(regLo));
  program.DeferSTS({name, 1}, static_cast<uint16_t>(regLo + 1));
}

Board BoardOf(const BoardTables& tables) {
  Board board;
  board.ioRegisterToAddress = &tables.ioRegisterToAddress;
  board.stdlib = &tables.stdlib;
  board.stdlibSymbols = &tables.stdlibSymbols;
  board.flashSize = tables.flashSize;
  return board;
}

// Links the start sub written by `body` (a RET is added) and loads it.
std::unique_ptr<Sim::Simulator> Prepare(const std::function<void(Program&)>& body,
                                        Sim::Chip chip = Sim::Chip::ATtiny861) {
  Program program(BoardOf(Sim::TablesFor(chip)));
  body(program);
  program.Emit(Compiler::RET());
  program.Link();
  auto sim = std::make_unique<Sim::Simulator>(chip);
  sim->Load(program.binary.code);
  return sim;
}

std::unique_ptr<Sim::Simulator> RunProgram(const std::function<void(Program&)>& body,
                                           Sim::Chip chip = Sim::Chip::ATtiny861) {
  auto sim = Prepare(body, chip);
  EXPECT_TRUE(sim->Run(kLimit)) << "no stop loop; pc " << sim->ProgramCounter();
  return sim;
}

void CallWith(Program& program, const std::string& routine, int first) {
  Load16(program, 24, first);
  Call(program, routine);
}

void CallWith(Program& program, const std::string& routine, int first, int second) {
  Load16(program, 24, first);
  Load16(program, 22, second);
  Call(program, routine);
}

TEST(MandoletRuntime, PrintNumberAndNewline) {
  auto sim = RunProgram([](Program& p) {
    for (int n : {-32768, -1, 0, 7, 32767, 10, -100}) {
      CallWith(p, "print_number", n);
      Call(p, "print_newline");
    }
  });
  EXPECT_EQ(sim->SerialOutput(), "-32768\r\n-1\r\n0\r\n7\r\n32767\r\n10\r\n-100\r\n");
}

TEST(MandoletRuntime, PrintStrAndPrintChar) {
  auto sim = RunProgram([](Program& p) {
    for (const char* text : {"Hallo Welt", "", "Grüße!"}) {
      std::string label = p.NewLabel();
      p.stringConstants.emplace_back(label, text);
      p.DeferLoadFlashAddress(label, 24, 25);
      Call(p, "print_str");
    }
    CallWith(p, "print_char", 0x1F7A);  // only the low byte goes out
  });
  EXPECT_EQ(sim->SerialOutput(), "Hallo WeltGrüße!z");
}

TEST(MandoletRuntime, SerialBitsLast831FourCycleLoops) {
  auto sim = RunProgram([](Program& p) { CallWith(p, "print_char", 0x55); });
  const auto& changes = sim->SerialPinChanges();
  // idle high, then 0x55 alternates every bit: start 0, 1, 0, ..., stop 1
  ASSERT_GE(changes.size(), 11u);
  const size_t first = changes.size() - 10;
  EXPECT_FALSE(changes[first].second);
  for (size_t i = first + 1; i < changes.size(); ++i) EXPECT_EQ(changes[i].first - changes[i - 1].first, 3334u) << i;
  EXPECT_NEAR(sim->SerialBitCycles(), 3333.3, 0.1);  // 2400 baud at 8 MHz
}

TEST(MandoletRuntime, MainSetsUpPortsAndClearsVariables) {
  auto sim = Prepare([](Program& p) {
    Load16(p, 24, 0x1234);
    Store(p, 5, 24);
  });
  sim->FillSram(0xA5);  // garbage the start-up code must clear
  ASSERT_TRUE(sim->Run(kLimit));
  EXPECT_EQ(sim->ProgramCounter(), Mandolet::Tables().stdlibSymbols.at("__stop_program"));
  EXPECT_EQ(sim->ReadIo(0x1A), 0x8B);         // DDRA
  EXPECT_EQ(sim->ReadIo(0x1B), 0x54);         // PORTA
  EXPECT_EQ(sim->ReadIo(0x17), 0x2F | 0x10);  // DDRB plus the transmit pin
  EXPECT_EQ(sim->ReadIo(0x18) & 0x50, 0x50);  // transmit idle high, receive pull-up
  EXPECT_EQ(sim->ReadIo(0x07), 0x00);         // ADMUX
  EXPECT_EQ(sim->ReadIo(0x06) & 0xBF, 0x87);  // ADCSRA (ADSC aside)
  EXPECT_EQ(sim->ReadSram(0xD4), 0x34);       // var5 = __bss_end - 2 - 10
  EXPECT_EQ(sim->ReadSram(0xD5), 0x12);
  for (int n = 0; n < 64; ++n)
    if (n != 5) {
      EXPECT_EQ(sim->ReadVariable(n), 0) << "var" << n;
    }
  EXPECT_EQ(sim->ReadSram(0xE0), 0xA5);  // nothing beyond .bss is cleared
  EXPECT_TRUE(sim->SerialOutput().empty());
}

TEST(MandoletRuntime, MultiplyWithNegativeOperands) {
  const int cases[][3] = {{-7, 6, -42},         {-3, -5, 15}, {300, 300, 24464},
                          {-1, -32768, -32768}, {0, -9, 0},   {12345, 1, 12345}};
  auto sim = RunProgram([&](Program& p) {
    for (int i = 0; i < 6; ++i) {
      CallWith(p, "__mulhi3", cases[i][0], cases[i][1]);
      Store(p, i, 24);
    }
  });
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sim->ReadVariable(i), cases[i][2]) << cases[i][0] << " * " << cases[i][1];
}

TEST(MandoletRuntime, SignedDivideQuotientAndRemainder) {
  // dividend, divisor, quotient (r23:r22), remainder (r25:r24, dividend's sign)
  const int cases[][4] = {
      {-7, 2, -3, -1},           {7, -2, -3, 1},          {-7, -2, 3, -1}, {100, 7, 14, 2}, {-32768, 1, -32768, 0},
      {32767, -32768, 0, 32767}, {-32768, 10, -3276, -8}, {5, 9, 0, 5}};
  const int count = 8;
  auto sim = RunProgram([&](Program& p) {
    for (int i = 0; i < count; ++i) {
      CallWith(p, "__divmodhi4", cases[i][0], cases[i][1]);
      Store(p, 2 * i, 22);
      Store(p, 2 * i + 1, 24);
    }
  });
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(std::to_string(cases[i][0]) + " / " + std::to_string(cases[i][1]));
    EXPECT_EQ(sim->ReadVariable(2 * i), cases[i][2]);
    EXPECT_EQ(sim->ReadVariable(2 * i + 1), cases[i][3]);
  }
}

TEST(MandoletRuntime, UnsignedDivide) {
  auto sim = RunProgram([](Program& p) {
    CallWith(p, "__udivmodhi4", 0xFFFF, 10);  // 65535 = 6553 * 10 + 5
    Store(p, 0, 22);
    Store(p, 1, 24);
  });
  EXPECT_EQ(static_cast<uint16_t>(sim->ReadVariable(0)), 6553);
  EXPECT_EQ(sim->ReadVariable(1), 5);
}

uint64_t CyclesOf(const std::string& routine, int argument) {
  auto sim = RunProgram([&](Program& p) { CallWith(p, routine, argument); });
  return sim->Cycles();
}

TEST(MandoletRuntime, WaitTimes) {
  // The programs differ only in the argument, so the difference is the wait.
  const uint64_t none = CyclesOf("waitms", 0);
  EXPECT_NEAR(static_cast<double>(CyclesOf("waitms", 3) - none), 3 * 8006.0, 4);
  EXPECT_NEAR(static_cast<double>(CyclesOf("waitms", 1) - none), 8006.0, 4);
  const uint64_t noUs = CyclesOf("waitus", 0);
  EXPECT_EQ(CyclesOf("waitus", 10) - noUs, 140u);
  EXPECT_EQ(CyclesOf("waitus", 1000) - noUs, 14000u);
}

TEST(MandoletRuntime, PwmRegisterWrites) {
  auto sim = RunProgram([](Program& p) {
    Call(p, "pwm_init");
    CallWith(p, "pwm_set", 1, 0x2A5);
    CallWith(p, "pwm_set", 3, 0x1FF);  // no such channel: nothing written
  });
  EXPECT_EQ(sim->ReadIo(0x2F), 4);     // TCCR1B: clock / 8
  EXPECT_EQ(sim->ReadIo(0x25), 0x02);  // TC1H
  EXPECT_EQ(sim->ReadIo(0x2C), 0xA5);  // OCR1B
  EXPECT_EQ(sim->ReadIo(0x2D), 0x00);  // OCR1A untouched after init
  EXPECT_EQ(sim->ReadIo(0x2A), 0x00);  // OCR1D

  sim = RunProgram([](Program& p) {
    Call(p, "pwm_init");
    CallWith(p, "pwm_set", 0, 0x3FF);
    CallWith(p, "pwm_set", 2, 0x180);
  });
  EXPECT_EQ(sim->ReadIo(0x2D), 0xFF);
  EXPECT_EQ(sim->ReadIo(0x2A), 0x80);
  EXPECT_EQ(sim->ReadIo(0x25), 0x01);
}

TEST(MandoletRuntime, ServoRegisterWrites) {
  auto sim = RunProgram([](Program& p) {
    Call(p, "servo_init");
    CallWith(p, "servo_set", 0, 500);    // 500 / 18 + 66 = 93
    CallWith(p, "servo_set", 1, -5);     // limited to 0: 66
    CallWith(p, "servo_set", 2, 5000);   // limited to 1023: 56 + 66 = 122
    CallWith(p, "servo_set", 3, 900);    // no such channel
    CallWith(p, "servo_set", 256, 900);  // high byte of the channel counts too
  });
  EXPECT_EQ(sim->ReadIo(0x2F), 8);  // TCCR1B: clock / 128
  EXPECT_EQ(sim->ReadIo(0x2D), 93);
  EXPECT_EQ(sim->ReadIo(0x2C), 66);
  EXPECT_EQ(sim->ReadIo(0x2A), 122);
  EXPECT_EQ(sim->ReadIo(0x25), 0);

  sim = RunProgram([](Program& p) {
    Call(p, "servo_init");
    CallWith(p, "servo_set", 0, 1023);
  });
  EXPECT_EQ(sim->ReadIo(0x2D), 122);
}

TEST(MandoletRuntime, AdcReadOfDrivenChannels) {
  auto sim = Prepare([](Program& p) {
    CallWith(p, "adc_read", 3);
    Store(p, 0, 24);
    CallWith(p, "adc_read", 0x15);  // only the low four bits select: channel 5
    Store(p, 1, 24);
    CallWith(p, "adc_read", 0);
    Store(p, 2, 24);
  });
  sim->SetAdcMillivolts(3, 2500);
  sim->SetAdcMillivolts(5, 1000);
  sim->SetAdcMillivolts(0, 5000);
  ASSERT_TRUE(sim->Run(kLimit));
  EXPECT_EQ(sim->ReadVariable(0), 511);
  EXPECT_EQ(sim->ReadVariable(1), 204);
  EXPECT_EQ(sim->ReadVariable(2), 1023);
}

TEST(MandoletRuntime, ReceiveReturnsZeroWithHighByteCleared) {
  auto sim = RunProgram([](Program& p) {
    Load16(p, 24, 0x7777);
    Call(p, "waitchar");
    Store(p, 0, 24);
    Load16(p, 24, 0x7777);
    Call(p, "recvchar");
    Store(p, 1, 24);
  });
  EXPECT_EQ(sim->ReadVariable(0), 0);
  EXPECT_EQ(sim->ReadVariable(1), 0);
}

// Start-up of the other two runtimes on simavr's own cores: .bss cleared over
// garbage, main run, the user code reached through call_user_main, the stop
// loop at the end.
void CheckStartUp(Sim::Chip chip, uint16_t adcsra, const std::string& expectedOutput) {
  const BoardTables tables = Sim::TablesFor(chip);
  auto sim = Prepare(
      [](Program& p) {
        Load16(p, 24, -1234);
        Store(p, 0, 24);
        CallWith(p, "print_number", 42);
      },
      chip);
  sim->FillSram(0xA5);
  ASSERT_TRUE(sim->Run(kLimit)) << "pc " << sim->ProgramCounter();
  EXPECT_EQ(sim->ProgramCounter(), tables.stdlibSymbols.at("__stop_program"));
  EXPECT_EQ(sim->ReadVariable(0), -1234);
  for (int n = 1; n < 64; ++n) EXPECT_EQ(sim->ReadVariable(n), 0) << "var" << n;
  EXPECT_EQ(sim->ReadSram(tables.stdlibSymbols.at("__bss_end")), 0xA5);
  EXPECT_EQ(sim->ReadSram(adcsra) & 0xBF, 0x87);  // main enabled the ADC
  EXPECT_EQ(sim->SerialOutput(), expectedOutput);
}

TEST(OtherRuntimes, CorbeloStartsOnTheAttiny84) { CheckStartUp(Sim::Chip::ATtiny84, 0x26, "42"); }

TEST(OtherRuntimes, ArduinoStartsOnTheAtmega328p) { CheckStartUp(Sim::Chip::ATmega328P, 0x7A, "42"); }

TEST(OtherRuntimes, ArduinoRoutines) {
  auto sim = Prepare(
      [](Program& p) {
        std::string label = p.NewLabel();
        p.stringConstants.emplace_back(label, "x=");
        p.DeferLoadFlashAddress(label, 24, 25);
        Call(p, "print_str");
        CallWith(p, "__mulhi3", -300, 7);  // hardware MUL here
        Call(p, "print_number");
        Call(p, "print_newline");
        CallWith(p, "__divmodhi4", -7, 2);
        Store(p, 0, 22);
        Store(p, 1, 24);
        CallWith(p, "adc_read", 2);
        Store(p, 2, 24);
        CallWith(p, "pwm_output", 0, 0x180);  // 8-bit duty: low byte
        CallWith(p, "pwm_output", 3, 0x22);
        // main made PORTB an output: clear the servo pins so that the
        // routine's own direction bit shows.
        p.Emit(Compiler::CBI(0x04, 1));
        p.Emit(Compiler::CBI(0x04, 2));
        CallWith(p, "servo_output", 1, 500);  // 2000 + 2 * 500 half-microseconds
        CallWith(p, "servo_output", 2, 500);  // no such channel
      },
      Sim::Chip::ATmega328P);
  sim->SetAdcMillivolts(2, 2500);
  ASSERT_TRUE(sim->Run(kLimit));
  EXPECT_EQ(sim->SerialOutput(), "x=-2100\r\n");
  EXPECT_EQ(sim->ReadVariable(0), -3);
  EXPECT_EQ(sim->ReadVariable(1), -1);
  EXPECT_EQ(sim->ReadVariable(2), 511);
  EXPECT_EQ(sim->ReadSram(0x44), 0xA3);         // TCCR0A
  EXPECT_EQ(sim->ReadSram(0x47), 0x80);         // OCR0A
  EXPECT_EQ(sim->ReadSram(0xB4), 0x22);         // OCR2B
  EXPECT_EQ(sim->ReadSram(0x2A) & 0x48, 0x48);  // DDRD: PD6 and PD3
  EXPECT_EQ(sim->ReadWord(0x8A), 3000);         // OCR1B
  EXPECT_EQ(sim->ReadWord(0x86), 39999);        // ICR1: 20 ms frame
  EXPECT_EQ(sim->ReadWord(0x88), 0);            // OCR1A untouched
  EXPECT_EQ(sim->ReadSram(0x24) & 0x06, 0x04);  // DDRB: PB2 only
}

TEST(OtherRuntimes, ArduinoWaitsAt16MHz) {
  auto cycles = [](const char* routine, int n) {
    return RunProgram([&](Program& p) { CallWith(p, routine, n); }, Sim::Chip::ATmega328P)->Cycles();
  };
  EXPECT_EQ(cycles("waitms", 2) - cycles("waitms", 0), 2 * 16002u);
  EXPECT_EQ(cycles("waitus", 100) - cycles("waitus", 0), 1600u);
}

TEST(Simulator, DrivenInputPins) {
  // var0 = PINA.5, var1 = PINA.2 (an input with the pull-up main enables)
  auto readPins = [](bool pin5, bool pin2) {
    auto sim = Prepare([](Program& p) {
      for (int bit : {5, 2}) {
        Load16(p, 24, 0);
        p.Emit(Compiler::SBIC(0x19, static_cast<unsigned>(bit)));
        p.Emit(Compiler::LDI(24, 1));
        Store(p, bit == 5 ? 0 : 1, 24);
      }
    });
    sim->SetPin('A', 5, pin5);
    sim->SetPin('A', 2, pin2);
    EXPECT_TRUE(sim->Run(kLimit));
    return std::to_string(sim->ReadVariable(0)) + std::to_string(sim->ReadVariable(1));
  };
  EXPECT_EQ(readPins(true, true), "11");
  EXPECT_EQ(readPins(false, false), "00");
  EXPECT_EQ(readPins(true, false), "10");
  EXPECT_EQ(readPins(false, true), "01");
}

TEST(Simulator, CycleLimitStopsARunawayProgram) {
  // A loop without end: IJMP back to program_start.
  auto sim = Prepare([](Program& p) {
    p.DeferCodeAddressToZ("program_start");
    p.Emit(Compiler::IJMP());
  });
  EXPECT_FALSE(sim->Run(100'000));
  EXPECT_FALSE(sim->Stopped());
  EXPECT_GE(sim->Cycles(), 100'000u);
  EXPECT_LT(sim->Cycles(), 100'010u);
}

TEST(Simulator, DecodesSerialFramesAndDropsBrokenOnes) {
  const double bit = 100;
  // 'A' = 0x41: start 0, bits 1 0 0 0 0 0 1 0, stop 1
  std::vector<std::pair<uint64_t, bool>> changes = {{1000, false}, {1100, true},  {1200, false},
                                                    {1700, true},  {1800, false}, {1900, true}};
  EXPECT_EQ(Sim::DecodeSerial(changes, bit, 5000), "A");
  EXPECT_EQ(Sim::DecodeSerial(changes, bit, 1500), "");  // frame not finished yet
  // the same frame with a low stop bit is dropped
  changes.back().first = 2100;
  EXPECT_EQ(Sim::DecodeSerial(changes, bit, 5000), "");
}

}  // namespace
