#!/usr/bin/env python3
"""Checks machine code of a driver image that no host test can run, from the linker map's
symbols and llvm-objdump's listing:
  stores  the code of one object file stores no wider than --max-width bytes at once (the
          memory log's stores are single 1-, 2- and 4-byte stores that a bus observer may
          watch); register spills to the stack do not count.
  seam    each function behind the platform seam holds its instructions, with their widths
          and operands, in this order (MS x64: first argument in rcx, second in rdx).
An image that EDK2 built (link-time optimised, so no object file owns the code) names its
functions instead: --functions REGEX picks them from the lld-link map of a CLANGPDB build
(--map) or from the ELF symbol file of a GCC build (--elf, read with --nm).
Usage: check_code.py stores|seam --objdump TOOL (--map MAP | --elf DEBUG --nm NM)
                     [--object X.obj | --functions REGEX] [--max-width N] IMAGE"""
import argparse
import re
import subprocess
import sys

SEAM = {
    "ArchCpuid": ["mov eax, ecx", "mov ecx, edx", "cpuid"],
    # Only SI may change: no flag-setting instruction; RBX, which CPUID writes, is saved
    # by the function itself (nonvolatile in the MS x64 convention).
    "ArchSimulatorQuery": ["push rbx", "mov esi, 0", "mov eax, 3133984779", "mov ebx, 2", "cpuid", "pop rbx"],
    "ArchReadMsr": ["rdmsr", "shl rdx, 32"],  # the index is already in ecx
    "ArchReadTsc": ["rdtsc", "shl rdx, 32"],
    "ArchPause": ["pause"],
    "ArchIoRead8": ["mov edx, ecx", "in al, dx"],
    "ArchIoWrite8": ["mov eax, edx", "mov edx, ecx", "out dx, al"],
    "ArchIoWrite16": ["mov eax, edx", "mov edx, ecx", "out dx, ax"],
    "ArchIoWrite32": ["mov eax, edx", "mov edx, ecx", "out dx, eax"],
    "ArchMmioRead32": ["mov eax, dword ptr [rcx]"],
    "ArchMmioWrite32": ["mov dword ptr [rcx], edx"],
    "ArchPhysicalRead32": ["mov eax, dword ptr [rcx]"],
    "ArchPhysicalWrite32": ["mov dword ptr [rcx], edx"],
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
    sections or from an ELF symbol table."""
    if map_text is not None:
        return [(m.group(3), "", int(m.group(1), 16), int(m.group(1), 16) + int(m.group(2), 16))
                for m in map(LLD_SECTION.match, map_text.splitlines()) if m]
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


def wide_stores(instructions, syms, obj, max_width, functions=None):
    ranges = [(lo, hi) for n, o, lo, hi in syms if (re.search(functions, n) if functions else o == obj)]
    found = [] if ranges else ["no code of %s in the map" % (functions or obj)]
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


def seam_problems(instructions, syms):
    found = []
    for name, want in SEAM.items():
        lo_hi = [(lo, hi) for sym, _, lo, hi in syms if re.match(r"\?%s@@" % name, sym)]
        if not lo_hi:
            found.append("%s: not in the image" % name)
            continue
        have = [text for address, text in sorted(instructions.items()) if lo_hi[0][0] <= address < lo_hi[0][1]]
        at = 0
        for text in have:
            at += at < len(want) and text == want[at]
        if at < len(want):
            found.append("%s: wants %r next, has %s" % (name, want[at], have))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=["stores", "seam"])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--map")
    parser.add_argument("--elf")
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--object", default="MemoryLog.cpp.obj")
    parser.add_argument("--functions")
    parser.add_argument("--max-width", type=int, default=4)
    parser.add_argument("image")
    args = parser.parse_args()
    instructions = code(args.objdump, args.image)
    map_text = None
    if args.map:
        with open(args.map) as f:
            map_text = f.read()
    syms = named_functions(map_text, args.elf, args.nm) if args.functions else symbols(map_text)
    if args.check == "stores":
        found = wide_stores(instructions, syms, args.object, args.max_width, args.functions)
    else:
        found = seam_problems(instructions, syms)
    for f in found:
        print("FAIL %s: %s" % (args.image, f))
    print("%d passed, %d failed" % (0 if found else 1, 1 if found else 0))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
