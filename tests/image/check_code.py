#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Checks machine code of a driver image that no host test can run, from the linker map's
symbols and llvm-objdump's listing:
  stores  the memory log's functions (names matching --functions, MemoryLog unless told)
          store no wider than --max-width bytes at once (the memory log's stores are single
          1-, 2- and 4-byte stores that a bus observer may watch); register spills to the
          stack do not count. With --debug (the image's symbol file), code inlined from
          debug/MemoryLog.cpp into any other function is refused: the check would not see it.
  seam    every copy of a function behind the platform seam, wherever the link-time
          optimiser inlined it (read from --debug's line table), holds its instructions, with
          their widths and operands, in this order.
  hooks   the "$IDS" hook table is in the image as the dispatcher reads it: header, relocated
          entry pointer, the end entry, and code that refers to the table.
The map is lld-link's: its symbol list (ours), or the per-function text sections of an EDK2
CLANGPDB build; an EDK2 GCC build names its functions in the ELF symbol file (--elf, read
with --nm).
Usage: check_code.py stores|seam|hooks --objdump TOOL (--map MAP | --elf DEBUG --nm NM)
                     [--debug SYMBOLS] [--functions REGEX] [--max-width N] IMAGE"""
import argparse
import re
import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from socdxe.pe import IDS_HOOK_HEADER, PeImage, origins  # noqa: E402

# What the inline assembly and the 32-bit accesses of arch/x86_64 must come out as, with
# whatever registers and constants the inlining gave them (a port below 256 may be an
# immediate).
PORT = r"(dx|\d+)"
LOAD32 = r"mov (e\w\w|r\d+d), dword ptr \[.+\]"
STORE32 = r"mov dword ptr \[.+\], (e\w\w|r\d+d|\d+)"
SEAM = {
    "ArchCpuid": ["cpuid"],
    # Only SI may change: no flag-setting instruction between the loads and CPUID.
    "ArchSimulatorQuery": ["mov esi, 0", "mov eax, 3133984779", "mov ebx, 2", "cpuid"],
    "ArchReadMsr": ["rdmsr"],
    "ArchReadTsc": ["rdtsc"],
    "ArchPause": ["pause"],
    "ArchIoRead8": [r"in al, dx"],
    "ArchIoWrite8": [r"out %s, al" % PORT],
    "ArchIoWrite16": [r"out %s, ax" % PORT],
    "ArchIoWrite32": [r"out %s, eax" % PORT],
    "ArchMmioRead32": [LOAD32],
    "ArchMmioWrite32": [STORE32],
    "ArchPhysicalRead32": [LOAD32],
    "ArchPhysicalWrite32": [STORE32],
}
WIDTHS = {"byte": 1, "word": 2, "dword": 4, "qword": 8, "xmmword": 16, "ymmword": 32, "zmmword": 64}
NOT_STORES = {"cmp", "test", "bt", "lea", "nop", "push", "call", "jmp", "prefetcht0", "prefetchnta"}
SYMBOL = re.compile(r"^\s*0001:[0-9a-f]{8}\s+(\S+)\s+([0-9a-f]{16})\s+(?:\S+:)?(\S+\.obj)\s*$", re.I)
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+(.*)$", re.I)


def symbols(map_text):
    """(name, object, start, end) of each code symbol, each reaching to the next address."""
    found = sorted((int(m.group(2), 16), m.group(1), m.group(3)) for m in map(SYMBOL.match, map_text.splitlines()) if m)
    starts = sorted({address for address, _, _ in found})
    return [(name, obj, start, next((s for s in starts if s > start), start + 0x1000)) for start, name, obj in found]


LLD_SECTION = re.compile(r"^\s*([0-9a-f]+)\s+([0-9a-f]+)\s+\d+\s+\S+:\(\.text\$(\S+)\)\s*$", re.I)


def named_functions(map_text=None, elf=None, nm=None):
    """(name, "", start, end) of each function, from an lld-link map's per-function text
    sections, its symbol list, or an ELF symbol table."""
    if map_text is not None:
        found = [(m.group(3), "", int(m.group(1), 16), int(m.group(1), 16) + int(m.group(2), 16))
                 for m in map(LLD_SECTION.match, map_text.splitlines()) if m]
        return found or symbols(map_text)
    listing = subprocess.run([nm, "-n", "--defined-only", elf], check=True, capture_output=True, text=True).stdout
    found = [(int(a, 16), n) for a, t, n in (l.split(None, 2) for l in listing.splitlines() if len(l.split()) == 3)
             if t in "tTwW"]
    return [(name, "", start, next((s for s, _ in found if s > start), start + 0x1000)) for start, name in found]


def code(objdump, image):
    """Address -> instruction text, whitespace collapsed and comments dropped."""
    listing = subprocess.run([objdump, "-d", "-M", "intel", "--no-show-raw-insn", image],
                             check=True, capture_output=True, text=True).stdout
    return {int(m.group(1), 16): " ".join(m.group(2).split("#")[0].split())
            for m in map(INSTRUCTION.match, listing.splitlines()) if m}


def wide_stores(instructions, syms, functions, max_width, inlined=None):
    ranges = [(lo, hi) for n, _, lo, hi in syms if re.search(functions, n)]
    found = [] if ranges else ["no code of %s in the map" % functions]
    for address, (function, source) in sorted((inlined or {}).items()):
        if source.endswith("/MemoryLog.cpp") and not any(lo <= address < hi for lo, hi in ranges):
            found.append("%x: code of %s inlined outside the memory log's functions" % (address, function))
            break
    for address, text in sorted(instructions.items()):
        if not any(lo <= address < hi for lo, hi in ranges):
            continue
        mnemonic, _, operands = text.partition(" ")
        if mnemonic in ("rep", "repe", "repne"):
            found.append("%x: %s (repeated store)" % (address, text))
            continue
        dm = re.match(r"(\w+) ptr (?:\w+:)?\[([^\]]*)\]", operands.split(",")[0])
        if mnemonic in NOT_STORES or not dm:
            continue
        width = WIDTHS.get(dm.group(1), 0)
        spill = width <= 8 and re.match(r"(rsp|rbp)\b", dm.group(2))
        if width > max_width and not spill:
            found.append("%x: %s (%d-byte store)" % (address, text, width))
    return found


def seam_problems(instructions, inlined):
    """Each run of instructions that the line table gives to one seam function is one copy
    of it; each copy must hold that function's instructions in order."""
    copies = {name: [] for name in SEAM}
    previous = None
    for address in sorted(instructions):
        function = inlined.get(address, ("", ""))[0]
        name = next((n for n in SEAM if re.match(r"(\?%s@@|%s\()" % (n, n), function + "(")), None)
        if name and name != previous:
            copies[name].append([])
        if name:
            copies[name][-1].append(instructions[address])
        previous = name
    found = []
    for name, want in SEAM.items():
        if not copies[name]:
            found.append("%s: not in the image" % name)
        for have in copies[name]:
            at = 0
            for text in have:
                at += at < len(want) and re.fullmatch(want[at], text) is not None
            if at < len(want):
                found.append("%s: wants %r next, has %s" % (name, want[at], have))
    return found


def hook_table_problems(objdump, path):
    """The "$IDS" hook table as the image must hold it: its header once, the Entries pointer
    relocated (DIR64) to an array whose only entry is the end entry (HookId and Function the
    plain 0xFFFFFFFF, not relocated), and code that reads the table. Returns (problems, what
    was found, for the log)."""
    data = open(path, "rb").read()
    pe = PeImage(data)
    at = [m.start() for m in re.finditer(re.escape(IDS_HOOK_HEADER), data)]
    if len(at) != 1:
        return ["the hook table's header (\"$IDS\", version 1, 24 zero bytes) is there %d times" % len(at)], ""
    rva, relocated = pe.rva_of(at[0]), pe.relocations()
    entries = struct.unpack_from("<Q", data, at[0] + 32)[0] - pe.image_base
    problems = []
    if relocated.get(rva + 32) != 10:
        problems.append("the table's Entries pointer at RVA %#x has no DIR64 relocation" % (rva + 32))
    where = pe.file_offset(entries)
    end = struct.unpack_from("<IIQ", data, where) if where is not None and where + 16 <= len(data) else None
    if end is None or (end[0], end[2]) != (0xFFFFFFFF, 0xFFFFFFFF) or entries + 8 in relocated:
        problems.append("Entries (RVA %#x) does not hold the end entry alone: %r" % (entries, end))
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", path], check=True, capture_output=True,
                             text=True).stdout
    targets = {int(t, 16) - pe.image_base for t in re.findall(r"#\s*0x([0-9a-f]+)", listing)}
    if not any(rva <= t < rva + 40 for t in targets):
        problems.append("no code refers to the table at RVA %#x" % rva)
    return problems, "hook table at RVA %#x, Entries %#x (DIR64 at %#x), end entry at %#x" % (
        rva, entries, rva + 32, entries)


def report(image, found):
    for f in found:
        print("FAIL %s: %s" % (image, f))
    print("%d passed, %d failed" % (0 if found else 1, 1 if found else 0))
    return 1 if found else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=["stores", "seam", "hooks"])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--map")
    parser.add_argument("--elf")
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--debug", help="the image's symbol file, with its line table")
    parser.add_argument("--functions", default="MemoryLog")
    parser.add_argument("--max-width", type=int, default=4)
    parser.add_argument("image")
    args = parser.parse_args()
    if args.check == "hooks":
        found, said = hook_table_problems(args.objdump, args.image)
        print("%s: %s" % (args.image, said))
        return report(args.image, found)
    instructions = code(args.objdump, args.image)
    map_text = None
    if args.map:
        with open(args.map) as f:
            map_text = f.read()
    inlined = origins(args.objdump, args.debug) if args.debug else {}
    if args.check == "stores":
        found = wide_stores(instructions, named_functions(map_text, args.elf, args.nm), args.functions, args.max_width,
                            inlined)
    else:
        found = seam_problems(instructions, inlined) if inlined else ["seam: needs --debug"]
    return report(args.image, found)


if __name__ == "__main__":
    sys.exit(main())
