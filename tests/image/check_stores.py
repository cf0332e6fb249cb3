#!/usr/bin/env python3
"""Checks that the code of one object file in an image stores to memory no wider than a
given width: the memory log's stores are single 1-, 2- and 4-byte stores, which a bus
observer may watch, so a merged or vectorised store is a defect.
Extents come from the linker map (each symbol up to the next); the code from llvm-objdump.
Register spills to the stack (rsp/rbp based, general registers) are not log stores.
Usage: check_stores.py --objdump TOOL --map MAP --object NAME.obj [--max-width 4] IMAGE"""
import argparse
import re
import subprocess
import sys

WIDTHS = {"byte": 1, "word": 2, "dword": 4, "qword": 8, "xmmword": 16, "ymmword": 32, "zmmword": 64}
SYMBOL = re.compile(r"^\s*0001:([0-9a-f]{8})\s+\S+\s+([0-9a-f]{16})\s+(?:\S+:)?(\S+\.obj)\s*$", re.I)
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+(.*)$", re.I)
NOT_STORES = {"cmp", "test", "bt", "lea", "nop", "push", "call", "jmp", "prefetcht0", "prefetchnta"}


def extents(map_text, obj):
    """[start, end) address ranges of the object's code, from its symbols to the next one."""
    symbols = sorted((int(m.group(2), 16), m.group(3)) for m in map(SYMBOL.match, map_text.splitlines()) if m)
    ranges = []
    for i, (address, name) in enumerate(symbols):
        if name == obj and i + 1 < len(symbols):
            ranges.append((address, symbols[i + 1][0]))
        elif name == obj:
            ranges.append((address, address + 0x1000))
    return ranges


def wide_stores(listing, ranges, max_width):
    """Instructions inside the ranges that store more than max_width bytes at once."""
    found = []
    for line in listing.splitlines():
        m = INSTRUCTION.match(line)
        if not m:
            continue
        address, text = int(m.group(1), 16), m.group(2).split("#")[0].strip()
        if not any(lo <= address < hi for lo, hi in ranges):
            continue
        parts = text.split(None, 1)
        mnemonic, operands = parts[0], parts[1] if len(parts) > 1 else ""
        if mnemonic in ("rep", "repe", "repne"):
            found.append("%x: %s (repeated store)" % (address, text))
            continue
        if mnemonic in NOT_STORES:
            continue
        destination = operands.split(",")[0].strip()
        dm = re.match(r"(\w+) ptr (?:\w+:)?\[([^\]]*)\]", destination)
        if not dm:
            continue
        width = WIDTHS.get(dm.group(1), 0)
        stack_spill = width <= 8 and re.match(r"(rsp|rbp)\b", dm.group(2))
        if width > max_width and not stack_spill:
            found.append("%x: %s (%d-byte store)" % (address, text, width))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--map", required=True)
    parser.add_argument("--object", required=True)
    parser.add_argument("--max-width", type=int, default=4)
    parser.add_argument("image")
    args = parser.parse_args()
    ranges = extents(open(args.map).read(), args.object)
    if not ranges:
        print("FAIL %s: no symbols of %s in %s" % (args.image, args.object, args.map))
        return 1
    listing = subprocess.run([args.objdump, "-d", "-M", "intel", "--no-show-raw-insn", args.image],
                             check=True, capture_output=True, text=True).stdout
    found = wide_stores(listing, ranges, args.max_width)
    code = sum(hi - lo for lo, hi in ranges)
    print("%s: %s, %d code bytes in %d symbols" % (args.image, args.object, code, len(ranges)))
    for f in found:
        print("FAIL wider than %d bytes: %s" % (args.max_width, f))
    print("%d passed, %d failed" % (0 if found else 1, 1 if found else 0))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
