#!/usr/bin/env python3
"""Prints the size of each driver image: file bytes, bytes per section, and code and data
bytes per subsystem (from the linker map: each symbol's extent, by its object file); and,
where the FFS file lies next to the image, its size and what LZMA (as a compressed
firmware volume's GUID-defined section holds it) makes of it."""
import argparse
import collections
import lzma
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "image"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
import fwpack  # noqa: E402
from pe_image import PeImage  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SUBSYSTEM_DIRS = ["framework", "cfgbuf", "heap", "debug", "processor", "ioapic", "variants/m70",
                  "variants/m60", "arch/x86_64"]


def object_homes():
    homes = collections.defaultdict(set)
    for d in SUBSYSTEM_DIRS:
        for name in os.listdir(os.path.join(ROOT, d)) if os.path.isdir(os.path.join(ROOT, d)) else []:
            if name.endswith(".cpp"):
                homes[name + ".obj"].add(d)
    return homes


def per_subsystem(map_path, section_sizes, image_name):
    homes = object_homes()
    symbols = []
    pattern = re.compile(r"^\s*([0-9a-f]{4}):([0-9a-f]{8})\s+(\S+)\s+[0-9a-f]{16}\s+(?:\S+:)?(\S+\.obj)\s*$", re.I)
    for line in open(map_path):
        m = pattern.match(line)
        if m:
            symbols.append((int(m.group(1), 16), int(m.group(2), 16), m.group(4)))
    symbols.sort()
    totals = collections.Counter()
    for i, (section, offset, obj) in enumerate(symbols):
        end = section_sizes.get(section, offset)
        if i + 1 < len(symbols) and symbols[i + 1][0] == section:
            end = symbols[i + 1][1]
        candidates = homes.get(obj, {"?"})
        variant = [c for c in candidates if c.startswith("variants/")]
        # Variant objects of the other deliverable never link into this image.
        home = sorted(candidates)[0]
        if len(candidates) > 1 and variant:
            home = "variants (own)"
        totals[home] += max(0, end - offset)
    return totals


def ffs_sizes(image_path, name):
    """(file, FFS, LZMA) bytes of an image, its FFS built as the packager builds it."""
    data = open(image_path, "rb").read()
    depex = bytes(36)  # two GUIDs, AND, END: the size of every depex here
    ffs = fwpack.ffs_file(fwpack.uuid.UUID(int=0), [
        fwpack.section(fwpack.EFI_SECTION_DXE_DEPEX, depex), fwpack.section(fwpack.EFI_SECTION_PE32, data),
        fwpack.section(fwpack.EFI_SECTION_USER_INTERFACE, fwpack.ucs2(name)),
        fwpack.section(fwpack.EFI_SECTION_VERSION, b"\0\0" + fwpack.ucs2(fwpack.VERSION_STRING))])
    return len(data), len(ffs), len(lzma.compress(ffs, format=lzma.FORMAT_ALONE, preset=9 | lzma.PRESET_EXTREME))


def edk2_table(ours, folder, platform=None):
    sets = [("ours (CMake, clang 14 + lld-link)", ours)]
    sets += [(name, os.path.join(folder, name)) for name in sorted(os.listdir(folder))] if os.path.isdir(folder) else []
    if platform:
        where = subprocess.run([platform, "--where"], capture_output=True, text=True).stdout.strip()
        sets.append(("2022.11 inside OvmfPkgX64", where))
    print("%-34s %-10s %6s %6s %6s" % ("image set", "driver", "file", "FFS", "LZMA"))
    for label, where in sets:
        for name in ("SocDxeM70", "SocDxeM60"):
            path = os.path.join(where, name + ".efi")
            if os.path.exists(path):
                print("%-34s %-10s %6d %6d %6d" % ((label, name) + ffs_sizes(path, name)))


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
            totals = per_subsystem(args.map[index], section_sizes, os.path.basename(path))
            print("  by subsystem (symbols' extents in the linker map):")
            for home, size in sorted(totals.items(), key=lambda item: -item[1]):
                print("    %-16s %6d bytes" % (home, size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
