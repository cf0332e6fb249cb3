#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Checks a driver image: PE32+ for AMD64, EFI boot-service driver, linked at ImageBase 0
with relocations, no import table, no section both writable and executable, a CodeView
entry naming its symbol file NAME.debug without a folder, within the size budget. With
--edk2, what any image of EDK2's build must meet: the format, relocations, no imports, and
a CodeView entry naming the driver's own symbol file (NAME.dll, NAME.pdb, with its folder);
ImageBase, section alignment and size are the platform's toolchain's business there."""
import argparse
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from socdxe import VERSION  # noqa: E402
from socdxe.pe import IMAGE_SCN_MEM_EXECUTE, IMAGE_SCN_MEM_WRITE, PeImage  # noqa: E402


# Unwind and exception tables (C++ built with exceptions on), and static constructors,
# which no DXE entry point runs.
FORBIDDEN = (".eh_frame", ".gcc_except_table", ".init_array", ".ctors", ".CRT$XC")


def elf_sections(data):
    """(name, size) of each section of an ELF64 file."""
    shoff, = struct.unpack_from("<Q", data, 0x28)
    entsize, count, names = struct.unpack_from("<HHH", data, 0x3A)
    headers = [struct.unpack_from("<IIQQQQ", data, shoff + i * entsize) for i in range(count)]
    table = headers[names][4]
    return [(data[table + h[0]:data.index(b"\0", table + h[0])].decode(), h[5]) for h in headers]


def linked_sections(path):
    """(name, size) of every section that went into the image: from the ELF file GenFw
    converted (NAME.debug) or lld-link's map (NAME.map) beside it, else the PE's own."""
    stem = os.path.splitext(path)[0]
    if os.path.exists(stem + ".debug") and open(stem + ".debug", "rb").read(4) == b"\x7fELF":
        return elf_sections(open(stem + ".debug", "rb").read())
    if os.path.exists(stem + ".map"):
        found = re.findall(r"^[0-9a-f]{8} ([0-9a-f]{8}) +\d+ +\S.*:\(([^)]+)\)$", open(stem + ".map").read(), re.M)
        if found:
            return [(name, int(size, 16)) for size, name in found]
    return [(s["name"], s["vsize"]) for s in PeImage(open(path, "rb").read()).sections]


def check(path, budget, subsystem, edk2=False, codeview_wanted=True):
    data = open(path, "rb").read()
    problems = []
    try:
        pe = PeImage(data)
    except ValueError as error:
        return ["%s: %s" % (path, error)]
    if pe.machine != 0x8664:
        problems.append("machine %#x, not AMD64" % pe.machine)
    if pe.subsystem != subsystem:
        problems.append("subsystem %d, not %d" % (pe.subsystem, subsystem))
    if pe.image_base != 0 and not edk2:
        problems.append("ImageBase %#x, not 0" % pe.image_base)
    if pe.image_version != VERSION and not edk2:
        problems.append("image version %s, not the release's %s" % (pe.image_version, VERSION))
    if pe.directory("basereloc")[1] == 0 or not any(s["name"] == ".reloc" for s in pe.sections):
        problems.append("no base relocations")
    codeview = pe.codeview()
    stem = os.path.splitext(os.path.basename(path))[0]
    named = codeview and (os.path.splitext(os.path.basename(codeview[1].replace("\\", "/")))[0] == stem if edk2
                          else codeview[1] == stem + ".debug")
    if not codeview_wanted and codeview:
        problems.append("a CodeView entry %r where the toolchain writes none" % codeview[1])
    elif codeview_wanted and not named:
        problems.append("CodeView entry %r, want one naming %s" % (codeview and codeview[1], stem + ".debug"))
    for name in ("import", "iat", "delayimport", "boundimport"):
        if pe.directory(name)[1] != 0:
            problems.append("has an %s directory" % name)
    for s in [] if edk2 else pe.sections:
        if s["flags"] & IMAGE_SCN_MEM_WRITE and s["flags"] & IMAGE_SCN_MEM_EXECUTE:
            problems.append("section %s is writable and executable" % s["name"])
        if s["vaddr"] % 4096 != 0:
            problems.append("section %s is not 4 KiB aligned" % s["name"])
    for name, size in linked_sections(path):
        if size and name.startswith(FORBIDDEN):
            problems.append("carries %s (%d bytes)" % (name, size))
    if len(data) > budget and not edk2:
        problems.append("%d bytes, over the %d-byte budget" % (len(data), budget))
    return ["%s: %s" % (path, p) for p in problems]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("images", nargs="+")
    parser.add_argument("--budget", type=int, default=8192)
    parser.add_argument("--subsystem", type=int, default=11)
    parser.add_argument("--edk2", action="store_true")
    parser.add_argument("--without-codeview", action="store_true")
    args = parser.parse_args()
    problems = []
    for path in args.images:
        problems += check(path, args.budget, args.subsystem, args.edk2, not args.without_codeview)
        print("%s: %d bytes" % (path, len(open(path, "rb").read())))
    for p in problems:
        print("FAIL", p)
    print("%d passed, %d failed" % (len(args.images) - len({p.split(":")[0] for p in problems}),
                                    len({p.split(":")[0] for p in problems})))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
