#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Prints the size of each driver image: file bytes, bytes per section, and code and data
bytes per subsystem (from the linker map: each symbol's extent, by its object file); and,
where the FFS file lies next to the image, its size and what LZMA (as a compressed
firmware volume's GUID-defined section holds it) makes of it."""
import argparse
import collections
import lzma
import os
import re
import shutil
import subprocess
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
import fwpack  # noqa: E402
from socdxe import pi  # noqa: E402
from socdxe.pe import PeImage, origins  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SUBSYSTEM_DIRS = ["framework", "cfgbuf", "heap", "debug", "processor", "ioapic", "arch"]


def tool(name):
    return shutil.which(name + "-14") or shutil.which(name) or name


def home_of(path):
    """The subsystem of a source or object path under the tree."""
    path = os.path.normpath(path).replace(os.sep, "/")
    if path.startswith("variants/"):
        return "variants (own)"
    return next((d for d in SUBSYSTEM_DIRS if path.startswith(d + "/")), path.split("/")[0] if "/" in path else "?")


def defined_in(objects):
    """Symbol -> subsystem, from the symbol tables of the link's objects (bitcode included)."""
    homes = {}
    for folder, _, names in os.walk(objects):
        for name in names:
            if name.endswith(".obj"):
                path = os.path.join(folder, name)
                listing = subprocess.run([tool("llvm-nm"), "--defined-only", path], capture_output=True, text=True).stdout
                for line in listing.splitlines():
                    homes.setdefault(line.split()[-1], home_of(os.path.relpath(path, objects)))
    return homes


def per_subsystem(map_path, section_sizes, image_path):
    """Code bytes by the line table of the symbol file beside the image, so that code the
    link-time optimiser inlined counts where it was written; data bytes by the object that
    defines each symbol of the map."""
    stem = os.path.splitext(os.path.basename(image_path))[0]
    homes = defined_in(os.path.join(os.path.dirname(map_path), "CMakeFiles", stem + "_objects.dir"))
    totals = collections.Counter()
    symbols = []
    pattern = re.compile(r"^\s*([0-9a-f]{4}):([0-9a-f]{8})\s+(\S+)\s+[0-9a-f]{16}\s+(?:\S+:)?(\S+\.obj)\s*$", re.I)
    for line in open(map_path):
        m = pattern.match(line)
        if m and int(m.group(1), 16) != 1:
            symbols.append((int(m.group(1), 16), int(m.group(2), 16), m.group(3)))
    symbols.sort()
    for i, (section, offset, name) in enumerate(symbols):
        end = symbols[i + 1][1] if i + 1 < len(symbols) and symbols[i + 1][0] == section else section_sizes.get(section, offset)
        totals[homes.get(name, "?")] += max(0, end - offset)
    lines = origins(tool("llvm-objdump"), os.path.splitext(image_path)[0] + ".debug")
    rows = [(address, home_of(source or "?")) for address, (_, source) in sorted(lines.items())]
    text_end = rows[0][0] + section_sizes.get(1, 0) if rows else 0
    for i, (address, home) in enumerate(rows):
        totals[home] += (rows[i + 1][0] if i + 1 < len(rows) else text_end) - address
    return totals


def ffs_sizes(image_path, name):
    """(file, FFS, LZMA) bytes of an image, its FFS built as the packager builds it."""
    data = open(image_path, "rb").read()
    depex = bytes(36)  # two GUIDs, AND, END: the size of every depex here
    ffs = pi.ffs_file(uuid.UUID(int=0), [
        pi.section(pi.EFI_SECTION_DXE_DEPEX, depex), pi.section(pi.EFI_SECTION_PE32, data),
        pi.section(pi.EFI_SECTION_USER_INTERFACE, pi.ucs2(name)),
        pi.section(pi.EFI_SECTION_VERSION, b"\0\0" + pi.ucs2(fwpack.VERSION_STRING))])
    return len(data), len(ffs), len(lzma.compress(ffs, format=lzma.FORMAT_ALONE, preset=9 | lzma.PRESET_EXTREME))


def edk2_table(ours, folder, platform=None):
    sets = [("ours (CMake, clang 14 + lld-link)", ours)]
    sets += [(name, os.path.join(folder, name)) for name in sorted(os.listdir(folder))] if os.path.isdir(folder) else []
    if platform:
        where = subprocess.run([platform, "--where"], capture_output=True, text=True).stdout.strip()
        sets.append(("2022.11 inside OvmfPkgX64", where))
    print("%-34s %-10s %6s %6s %6s %6s" % ("image set", "driver", "file", "FFS", "LZMA", "pages"))
    sizes = collections.defaultdict(dict)
    for label, where in sets:
        for name in ("SocDxeM70", "SocDxeM60"):
            path = os.path.join(where, name + ".efi")
            if os.path.exists(path):
                pages = -(-PeImage(open(path, "rb").read()).size_of_image // 4096)
                sizes[name][label] = ffs_sizes(path, name) + (pages,)
                print("%-34s %-10s %6d %6d %6d %6d" % ((label, name) + sizes[name][label]))
    # File and FFS against the smallest RELEASE build. LZMA against the smallest CLANGPDB
    # DEBUG build: CLANGPDB RELEASE drops the CodeView entry and merges .rdata into .data,
    # both of which ours keeps.
    print("ours as a share of EDK2's smallest: file and FFS of a RELEASE build, LZMA of a CLANGPDB DEBUG build;"
          " pages in memory:")
    for name, found in sizes.items():
        mine = found.get(sets[0][0])
        release = [v for label, v in found.items() if label.endswith("-release")]
        debug = [v for label, v in found.items() if label.endswith("clangpdb-debug")]
        if mine and release and debug:
            least = [min(v[0] for v in release), min(v[1] for v in release), min(v[2] for v in debug)]
            print("  %-10s %s; %d pages" % (name, "  ".join("%.3f (%d of %d)" % (m / t, m, t)
                                                           for m, t in zip(mine, least)), mine[3]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--map", action="append", default=[])
    parser.add_argument("--edk2", help="folder of the image sets tools/edk2-build made")
    parser.add_argument("--platform", help="tools/reference-platform, whose build holds the drivers too")
    parser.add_argument("images", nargs="+")
    args = parser.parse_intermixed_args()
    if args.edk2:
        edk2_table(os.path.dirname(os.path.abspath(args.images[0])), args.edk2, args.platform)
        return 0
    for index, path in enumerate(args.images):
        data = open(path, "rb").read()
        pe = PeImage(data)
        print("%s: %d bytes in the file, %d bytes in memory" % (os.path.basename(path), len(data), pe.size_of_image))
        section_sizes = {}
        for number, s in enumerate(pe.sections, start=1):
            section_sizes[number] = s["vsize"]
            print("  %-8s %6d bytes (%d in the file)" % (s["name"], s["vsize"], s["rawsize"]))
        ffs = os.path.splitext(path)[0] + ".ffs"
        if os.path.exists(ffs):
            raw = open(ffs, "rb").read()
            packed = lzma.compress(raw, format=lzma.FORMAT_ALONE, preset=9 | lzma.PRESET_EXTREME)
            print("  FFS file %d bytes, LZMA-compressed %d bytes (%.0f%%)" % (len(raw), len(packed),
                                                                             100.0 * len(packed) / len(raw)))
        if index < len(args.map) and os.path.exists(args.map[index]):
            totals = per_subsystem(args.map[index], section_sizes, path)
            print("  by subsystem (code by the line table, data by the defining object):")
            for home, size in sorted(totals.items(), key=lambda item: -item[1]):
                print("    %-16s %6d bytes" % (home, size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
