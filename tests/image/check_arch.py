#!/usr/bin/env python3
"""Checks the instructions behind the platform seam in the built image, which no host test
can run: each function's code (from the linker map and llvm-objdump) must hold its
instruction with the right width and operands, in the order given. MS x64 calling
convention: the first argument arrives in rcx/ecx, the second in rdx/edx.
Usage: check_arch.py --objdump TOOL --map MAP IMAGE"""
import argparse
import re
import subprocess
import sys

# Function -> instructions that must appear in this order (others may lie between).
EXPECTED = {
    "ArchCpuid": ["mov eax, ecx", "mov ecx, edx", "cpuid"],
    # Only SI may change: flags and the CPUID outputs are saved around the query.
    "ArchSimulatorQuery": ["pushfq", "push rax", "push rbx", "push rcx", "push rdx", "xor esi, esi",
                           "mov eax, 3133984779", "mov ebx, 2", "cpuid", "pop rdx", "pop rcx", "pop rbx", "pop rax",
                           "popfq"],
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
SYMBOL = re.compile(r"^\s*0001:[0-9a-f]{8}\s+\?(\w+)@@\S*\s+([0-9a-f]{16})\s", re.I)
ANY_SYMBOL = re.compile(r"^\s*0001:[0-9a-f]{8}\s+\S+\s+([0-9a-f]{16})\s", re.I)
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+(.*)$", re.I)


def functions(map_text):
    starts = sorted({int(m.group(1), 16) for m in map(ANY_SYMBOL.match, map_text.splitlines()) if m})
    found = {}
    for m in map(SYMBOL.match, map_text.splitlines()):
        if m and m.group(1) in EXPECTED:
            start = int(m.group(2), 16)
            end = next((s for s in starts if s > start), start + 0x100)
            found[m.group(1)] = (start, end)
    return found


def problems_in(listing, ranges):
    code = {}
    for line in listing.splitlines():
        m = INSTRUCTION.match(line)
        if m:
            code[int(m.group(1), 16)] = " ".join(m.group(2).split("#")[0].split())
    problems = []
    for name, want in EXPECTED.items():
        if name not in ranges:
            problems.append("%s: not in the image" % name)
            continue
        lo, hi = ranges[name]
        have = [text for address, text in sorted(code.items()) if lo <= address < hi]
        at = 0
        for text in have:
            if at < len(want) and text == want[at]:
                at += 1
        if at < len(want):
            problems.append("%s: wants %r next, has %s" % (name, want[at], have))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--map", required=True)
    parser.add_argument("image")
    args = parser.parse_args()
    listing = subprocess.run([args.objdump, "-d", "-M", "intel", "--no-show-raw-insn", args.image],
                             check=True, capture_output=True, text=True).stdout
    problems = problems_in(listing, functions(open(args.map).read()))
    for p in problems:
        print("FAIL %s: %s" % (args.image, p))
    print("%d passed, %d failed" % (len(EXPECTED) - len(problems), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
