#!/usr/bin/env python3
"""Turns the assembled board runtimes into C++ tables.

For every board given as name=path/to/runtime.elf it takes the flash image
(the .text section) and the symbol table: every defined symbol plus the
start addresses of the .text and .bss sections, each truncated to 16 bits
(SRAM symbols carry the 0x800000 data-space offset of the AVR tools).
"""
import argparse
import os
import subprocess
import sys
import tempfile


def image_bytes(objcopy, elf):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "image.bin")
        subprocess.run([objcopy, "-O", "binary", "-j", ".text", elf, out], check=True)
        with open(out, "rb") as f:
            return f.read()


def nm_lines(nm, elf, *flags):
    text = subprocess.run([nm, *flags, elf], check=True, capture_output=True, text=True).stdout
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 3:
            yield parts[2], parts[1], int(parts[0], 16) & 0xFFFF


def symbols(nm, elf):
    table = {}
    for name, kind, value in nm_lines(nm, elf):
        if kind not in "Uuw":
            table[name] = value
    for name, _, value in nm_lines(nm, elf, "-a"):
        if name in (".text", ".bss"):
            table[name] = value
    return table


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objcopy", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("boards", nargs="+", help="name=runtime.elf")
    args = parser.parse_args()

    out = ["// Generated from the board runtimes by generate_tables.py; do not edit.",
           '#include "RuntimeImages.h"', "", "namespace RuntimeImages {", ""]
    for board in args.boards:
        name, elf = board.split("=", 1)
        data = image_bytes(args.objcopy, elf)
        syms = symbols(args.nm, elf)
        if not data or not syms:
            sys.exit(f"{elf}: empty image or symbol table")
        out.append(f"static const uint8_t {name}Bytes[] = {{")
        for i in range(0, len(data), 16):
            out.append("  " + ", ".join(f"0x{b:02X}" for b in data[i:i + 16]) + ",")
        out.append("};")
        out.append(f"static const Symbol {name}Symbols[] = {{")
        for sym in sorted(syms):
            out.append(f'  {{"{sym}", 0x{syms[sym]:04X}}},')
        out.append("};")
        out.append(f"const Image {name} = {{{name}Bytes, sizeof {name}Bytes, "
                   f"{name}Symbols, sizeof {name}Symbols / sizeof {name}Symbols[0]}};")
        out.append("")
    out.append("}  // namespace RuntimeImages")
    text = "\n".join(out) + "\n"
    tmp = args.output + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, args.output)


if __name__ == "__main__":
    main()
