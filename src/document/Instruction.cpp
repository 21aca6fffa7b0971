#include "document/Instruction.h"

#include "document/BlockConnector.h"

const InstructionInfo Instruction::InstructionInfos[InstructionInfosCount] = {
    {"print_str", "Zeichenkette ausgeben", "", 1, {{0x8, "Zeichenkette"}, {0, nullptr}, {0, nullptr}}, 0},
    {"print_number", "Zahl ausgeben", "", 1, {{0x11, "Zahl"}, {0, nullptr}, {0, nullptr}}, 0},
    {"print_newline", "Neue-Zeile ausgeben", "", 0, {{0, nullptr}, {0, nullptr}, {0, nullptr}}, 0},
    {"adc_read", "Lese ADC", "", 1, {{0x1000, "Kanal"}, {0, nullptr}, {0, nullptr}}, 0x1},
    {"waitchar", "Warte auf Eingabe", "", 0, {{0, nullptr}, {0, nullptr}, {0, nullptr}}, 0x1},
    {"recvchar", "Lese Eingabe", "", 0, {{0, nullptr}, {0, nullptr}, {0, nullptr}}, 0x1},
    {"print_char", "Sende Zeichen", "", 1, {{0x11, "Zeichen"}, {0, nullptr}, {0, nullptr}}, 0},
    {"pwm_init", "PWM aktivieren", "", 0, {{0, nullptr}, {0, nullptr}, {0, nullptr}}, 0},
    {"pwm_set", "PWM-Wert ausgeben", "", 2, {{0x10, "PWM-Kanal (0, 1 oder 2)"}, {0x11, "Wert"}, {0, nullptr}}, 0},
    {"servo_init", "Servo aktivieren", "", 0, {{0, nullptr}, {0, nullptr}, {0, nullptr}}, 0},
    {"servo_set", "Servo-Wert ausgeben", "", 2, {{0x10, "Servo-Kanal (0, 1 oder 2)"}, {0x11, "Wert"}, {0, nullptr}}, 0},
    {"waitms", "Warte Millisekunden", "", 1, {{0x11, "Wartezeit"}, {0, nullptr}, {0, nullptr}}, 0},
    {"waitus", "Warte Mikrosekunden", "", 1, {{0x11, "Wartezeit"}, {0, nullptr}, {0, nullptr}}, 0},
};

Instruction::Instruction(Sub* sub, int x, int y, const InstructionInfo* info)
    : ProgramBlock(sub, x, y, Width, Height), info(info) {
  dependent1 = new BlockConnector(sub, x + Width / 2, y + Height, false);
}

Instruction::Instruction(Sub* sub) : ProgramBlock(sub, Width, Height) {}

bool Instruction::IsInItem(int x, int y) {
  // A parallelogram with its top edge shifted right: corners (10, 0),
  // (160, 0), (150, 72), (0, 72).
  int px = x - canvasItem.x, py = y - canvasItem.y;
  const double slope = static_cast<double>(Height) / ShiftValue;
  if (px < 32) return py + slope * px > Height;
  if (px <= 128) return true;
  return py + slope * (px - (Width - ShiftValue)) < Height;
}

bool Instruction::IsInItem(int x, int y, int w, int h) {
  if (SpanOverlap(x, w, canvasItem.x, Width) >= ShiftValue + 1) return true;
  return IsInItem(x, y) || IsInItem(x + w, y) || IsInItem(x + w, y + h) || IsInItem(x, y + h);
}
