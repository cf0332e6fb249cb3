#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Turns a DXE driver image into what a platform build consumes: FFS files, sections,
firmware volumes and dependency expressions laid out as PI 1.8 volume 3 defines them, and
EDK II as-built INF and DEC files.

  fwpack.py module --image SocDxeM70.efi --name SocDxeM70 --guids HEADER... --out-dir DIR
      writes DIR/SocDxeM70.depex, .ffs, .ui and .inf
  fwpack.py volume --out SocDxe.fv A.ffs B.ffs
      writes a firmware volume (FFS2 file system) holding the files in that order
  fwpack.py dec --guids HEADER... --out SocDxe.dec
      writes the package declaration that names every GUID the INFs list
  fwpack.py compact --out SocDxeM70.efi LINKED.efi
      writes the image with its headers as small as PE/COFF lets them be (see compact())
  fwpack.py source --name SocDxeM70 --guids HEADER... --root DIR --out X.inf SOURCE...
      writes the source INF that builds the driver from SOURCE... (paths under DIR, the
      package root) inside an EDK2 workspace (dec --include DIR writes the source DEC)

Every output is written to a temporary name first and renamed only when all of a
command's outputs are complete, so a refused input leaves nothing behind."""
import argparse
import os
import re
import struct
import sys
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from socdxe import VERSION, Refused  # noqa: E402
from socdxe import pi  # noqa: E402
from socdxe.pe import check_image, compact  # noqa: E402
from socdxe.pi import (EFI_SECTION_DXE_DEPEX, EFI_SECTION_PE32, EFI_SECTION_USER_INTERFACE,  # noqa: E402
                       EFI_SECTION_VERSION, FFS_HEADER_SIZE, ffs_file, section, ucs2, volume)
from socdxe.tokens import PCD_TOKENS  # noqa: E402

VERSION_STRING = VERSION
# GenFds gives an INF with a VERSION_STRING build number 0, whatever its rule says; ours match
# unless a release sets its own.
BUILD_NUMBER = 0
COPYRIGHT = ["#", "#  Copyright (c) 2026, SocDxePkg contributors.", "#  SPDX-License-Identifier: BSD-2-Clause-Patent"]
PACKAGE_NAME = "SocDxePkg"


# What the start-up chain locates before it can do its work.
DEPEX_PROTOCOLS = ["gPcdProtocolGuid", "gEfiPcdProtocolGuid"]

# GUIDs that MdePkg already declares; the package declaration leaves them out.
MDE_PKG = {"gPcdProtocolGuid", "gEfiPcdProtocolGuid", "gEfiHobListGuid", "gEfiDxeServicesTableGuid"}

# (C name, usage, help) of what each driver produces and consumes, with usages as EDK2's
# INF format writes them: a GUID used two ways is listed once for each. Presence
# GUIDs are added per deliverable from its MODULE_PRESENCE_LIST.
PROTOCOLS = [
    ("gProcessorClassProtocolGuid", "SOMETIMES_PRODUCES", "on the image handle, on a processor this driver serves"),
    ("gPlatformInfoProtocolGuid", "SOMETIMES_PRODUCES", "on the image handle, on a processor this driver serves"),
    ("gHeapListProtocolGuid", "SOMETIMES_CONSUMES", "located first: an earlier driver's list is adopted"),
    ("gHeapListProtocolGuid", "SOMETIMES_PRODUCES", "installed by the first driver to start"),
    ("gPcdProtocolGuid", "CONSUMES", "Get8, Get32 and GetBool by token number"),
    ("gEfiPcdProtocolGuid", "CONSUMES", "located only, as a presence check"),
    ("gDebugPrintProtocolGuid", "SOMETIMES_CONSUMES", "error messages, when another driver publishes it"),
    ("gRegisterAccessProtocolGuid", "SOMETIMES_CONSUMES", "platform information services"),
    ("gInterruptTableProtocolGuid", "NOTIFY", "I/O APIC identifiers rewritten on every install"),
    ("gInterruptTableProtocolGuid", "SOMETIMES_CONSUMES", "the first installed instance's tables"),
]
# (C name, usage, GUID type), the kinds of GUID named as in EDK2's INF format.
GUIDS = [
    ("gEfiHobListGuid", "CONSUMES", "SystemTable"),
    ("gEfiDxeServicesTableGuid", "CONSUMES", "SystemTable"),
    ("gHeapHobGuid", "SOMETIMES_CONSUMES", "HOB"),
]
# What the C++ sources need under EDK2's C flags, in a form both toolchain families take
# (a C++-only flag would break AutoGen.c): no exception or unwind tables in the image.
BUILD_OPTIONS = "-fno-exceptions -fno-unwind-tables -fno-asynchronous-unwind-tables"
# Visual Studio's family: SOC_MSFT chooses the MSVC path where the compiler is clang-cl
# (cl.exe takes it by itself); unreferenced parameters are the UEFI manner (This). Both
# are as harmless to AutoGen.c as to C++.
MSFT_BUILD_OPTIONS = "/D SOC_MSFT /wd4100"
MSFT_SOURCES = ["arch/x86_64/SimulatorQuery.nasm"]


# --- GUIDs, read from the sources that define them: "EFI_GUID gName = {...};" or
# "EFI_GUID gName = NAME_GUID;" with NAME_GUID an initializer macro of a header given too

GUID_VALUE = r"\{\s*(0x[0-9A-Fa-f]+)\s*,\s*(0x[0-9A-Fa-f]+)\s*,\s*(0x[0-9A-Fa-f]+)\s*,\s*\{([^}]*)\}\s*\}"
GUID_MACRO = re.compile(r"#define\s+(\w+_GUID)\s*(?:\\\s*)?" + GUID_VALUE)
GUID_DEFINITION = re.compile(r"EFI_GUID\s+(g\w+)\s*=\s*(?:(\w+_GUID)\b|" + GUID_VALUE + ")")
PRESENCE_LIST = re.compile(r"MODULE_PRESENCE_LIST\[\]\s*=\s*\{([^}]*)\}", re.S)


def guid_value(path, name, parts):
    tail = [int(b, 16) for b in parts[3].split(",")]
    if len(tail) != 8:
        raise Refused("%s: %s does not have 8 trailing bytes" % (path, name))
    raw = struct.pack("<IHH8B", int(parts[0], 16), int(parts[1], 16), int(parts[2], 16), *tail)
    return uuid.UUID(bytes_le=raw)


def read_guids(paths, homes=None):
    """C name -> uuid.UUID, and the MODULE_PRESENCE_LIST names in order (if a file has one).
    HOMES, a dict, receives C name -> the public header (include/...) that defines it."""
    texts = [(path, open(path).read()) for path in paths]
    macros = {m.group(1): guid_value(path, m.group(1), m.groups()[1:]) for path, text in texts
              for m in GUID_MACRO.finditer(text)}
    where = {m.group(1): path for path, text in texts for m in GUID_MACRO.finditer(text)}
    guids, presence = {}, []
    for path, text in texts:
        for m in GUID_DEFINITION.finditer(text):
            if m.group(2) is None:
                guids[m.group(1)] = guid_value(path, m.group(1), m.groups()[2:])
            elif m.group(2) in macros:
                guids[m.group(1)] = macros[m.group(2)]
                header = where[m.group(2)].replace(os.sep, "/")
                if homes is not None and "include/" in header:
                    homes[m.group(1)] = header[header.rindex("include/"):]
            else:
                raise Refused("%s: %s is defined as %s, which no header given defines" % (path, m.group(1), m.group(2)))
        m = PRESENCE_LIST.search(text)
        if m:
            presence = re.findall(r"&\s*(g\w+)", m.group(1))
    return guids, presence


def registry(guid):
    return str(guid).upper()


def dec_form(guid):
    b = guid.bytes_le
    d1, d2, d3 = struct.unpack_from("<IHH", b)
    return "{0x%08X, 0x%04X, 0x%04X, {%s}}" % (d1, d2, d3, ", ".join("0x%02X" % x for x in b[8:]))


# --- the depex

def depex(guids):
    return pi.depex([guids[name] for name in DEPEX_PROTOCOLS])


# --- EDK II files

def inf_head(name, presence, guids, what):
    """The file comment and [Defines] of either INF; refuses a GUID the headers lack."""
    file_name = "g%sFileGuid" % name
    for cname in [file_name] + DEPEX_PROTOCOLS + [entry[0] for entry in PROTOCOLS + GUIDS] + presence:
        if cname not in guids and cname not in MDE_PKG:
            raise Refused("no definition of %s in the GUID headers" % cname)
    lines = ["## @file", "#  %s: %s" % (name, what)] + COPYRIGHT + ["##", "", "[Defines]"]
    for key, value in [("INF_VERSION", "0x00010017"), ("BASE_NAME", name), ("FILE_GUID", registry(guids[file_name])),
                       ("MODULE_TYPE", "DXE_DRIVER"), ("VERSION_STRING", VERSION_STRING),
                       ("ENTRY_POINT", "DriverEntry"), ("VALID_ARCHITECTURES", "X64")]:
        lines.append("  %-26s = %s" % (key, value))
    return lines


def inf(name, presence, guids):
    lines = inf_head(name, presence, guids, "prebuilt DXE driver, as built. Generated by tools/fwpack.py; do not edit.")
    lines += ["", "[Packages.X64]", "  MdePkg/MdePkg.dec", "  %s/%s.dec" % (PACKAGE_NAME, PACKAGE_NAME), "",
              "[Binaries.X64]",
              "  PE32|%s.efi|*" % name,
              "  DXE_DEPEX|%s.depex|*" % name,
              "  UI|%s.ui|*" % name,
              "  DISPOSABLE|%s.debug|*" % name,
              ""]
    lines += [l.replace("[Protocols]", "[Protocols.X64]").replace("[Guids]", "[Guids.X64]") for l in usage_lines(presence)]
    lines += ["", "[Depex.X64]", "# (the binary DXE_DEPEX above is what the build uses)", "#  " + " AND ".join(DEPEX_PROTOCOLS), ""]
    return "\n".join(lines)


def usage_lines(presence):
    lines = ["[Protocols]"]
    for cname, usage, purpose in PROTOCOLS:
        lines += ["  %-36s ## %-18s # %s" % (cname, usage, purpose)]
    # Installed with a NULL interface, as load dependencies for other drivers.
    for cname in presence:
        lines += ["  %-36s ## %-18s # presence, NULL interface" % (cname, "SOMETIMES_PRODUCES")]
    lines += ["", "[Guids]"]
    for cname, usage, kind in GUIDS:
        lines += ["  %-36s ## %-18s ## %s" % (cname, usage, kind)]
    lines += ["", "# PCD tokens, read by token number through PCD_PROTOCOL (dynamic PCDs). The platform's",
              "# PCD database must assign these numbers to the platform's PCDs that carry these values.",
              "# tools/pcd-check reads a platform's flash image and says whether it does.",
              "#   Token   Access   Usage"]
    for token, access, usage, purpose in PCD_TOKENS:
        lines += ["#   %-7d %-8s ## %s ## %s" % (token, access, usage, purpose)]
    return lines


def source_inf(name, presence, guids, sources):
    """The INF an EDK2 workspace builds the driver from: the firmware build's own sources,
    EDK2's entry-point library in front of DriverEntry, the same depex as the binary's."""
    lines = inf_head(name, presence, guids, "DXE driver, built from source in an EDK2 workspace.\n"
                                  "#  Generated by tools/fwpack.py from the firmware build's source list; a test compares.")
    lines += ["", "[Sources]"] + ["  %s" % s for s in sources]
    # Visual Studio's family has no x64 inline assembly: the simulator query is NASM there.
    lines += ["  %-38s | MSFT" % s for s in MSFT_SOURCES]
    lines += ["", "[Packages]", "  MdePkg/MdePkg.dec", "  %s/%s.dec" % (PACKAGE_NAME, PACKAGE_NAME), "",
              "[LibraryClasses]", "  UefiDriverEntryPoint", ""]
    lines += usage_lines(presence)
    lines += ["", "[Depex]", "  " + " AND ".join(DEPEX_PROTOCOLS), "",
              "[BuildOptions]", "  GCC:*_*_X64_CC_FLAGS      = " + BUILD_OPTIONS,
              "  CLANGPDB:*_*_X64_CC_FLAGS = " + BUILD_OPTIONS,
              "  MSFT:*_*_X64_CC_FLAGS     = " + MSFT_BUILD_OPTIONS, ""]
    return "\n".join(lines)


def dec(guids, includes=None, homes=None):
    names = [c for c in sorted(guids) if c not in MDE_PKG and not c.endswith("FileGuid")]
    protocols = [c for c in names if c.endswith("ProtocolGuid") or c.startswith("gModulePresence")]
    others = [c for c in names if c not in protocols]
    lines = ["## @file", "#  GUIDs of the SocDxe drivers. Generated by tools/fwpack.py; do not edit."] + COPYRIGHT + ["##", "",
             "[Defines]", "  DEC_SPECIFICATION          = 0x00010017", "  PACKAGE_NAME               = %s" % PACKAGE_NAME,
             "  PACKAGE_GUID               = %s" % registry(uuid.uuid5(uuid.NAMESPACE_OID, PACKAGE_NAME)),
             "  PACKAGE_VERSION            = %s" % VERSION_STRING, ""]
    if includes:
        lines += ["[Includes]"] + ["  %s" % i for i in includes] + [""]
    lines += ["[Protocols]"]
    # Each entry under a comment naming the header that defines it, as MdePkg's DEC does.
    entry = lambda c: (["  ## %s" % homes[c]] if homes and c in homes else []) + ["  %s = %s" % (c, dec_form(guids[c]))]  # noqa: E731
    lines += [line for c in protocols for line in entry(c)]
    lines += ["", "[Guids]"] + [line for c in others for line in entry(c)] + [""]
    return "\n".join(lines)


# --- all or nothing

def write_all(outputs):
    temporary = []
    try:
        for path, data in outputs:
            tmp = path + ".partial"
            with open(tmp, "wb") as f:
                f.write(data if isinstance(data, bytes) else data.encode())
            temporary.append((tmp, path))
        for tmp, path in temporary:
            os.replace(tmp, path)
    finally:
        for tmp, _ in temporary:
            if os.path.exists(tmp):
                os.remove(tmp)


def module(args):
    data = open(args.image, "rb").read()
    check_image(data, args.image)
    guids, presence = read_guids(args.guids)
    info = inf(args.name, presence, guids)
    dep = depex(guids)
    ffs = ffs_file(guids["g%sFileGuid" % args.name], [section(EFI_SECTION_DXE_DEPEX, dep), section(EFI_SECTION_PE32, data),
                                      section(EFI_SECTION_USER_INTERFACE, ucs2(args.name)),
                                      section(EFI_SECTION_VERSION, struct.pack("<H", args.build_number) + ucs2(VERSION_STRING))])
    base = os.path.join(args.out_dir, args.name)
    write_all([(base + ".depex", dep), (base + ".ffs", ffs), (base + ".ui", args.name),
               (base + ".inf", info)])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", action="version", version="fwpack.py (SocDxePkg) " + VERSION)
    sub = parser.add_subparsers(dest="command", required=True)
    m = sub.add_parser("module")
    m.add_argument("--build-number", type=int, choices=range(0x10000), default=BUILD_NUMBER, metavar="N",
                   help="the FFS VERSION section's build number (0 to 65535; a release sets it)")
    m.add_argument("--image", required=True)
    m.add_argument("--name", required=True)
    m.add_argument("--guids", nargs="+", required=True, help="C++ headers and sources that define the GUIDs")
    m.add_argument("--out-dir", required=True)
    v = sub.add_parser("volume")
    v.add_argument("--out", required=True)
    v.add_argument("files", nargs="+")
    d = sub.add_parser("dec")
    d.add_argument("--guids", nargs="+", required=True)
    d.add_argument("--out", required=True)
    d.add_argument("--include", action="append", help="an [Includes] folder, for the source DEC")
    c = sub.add_parser("compact")
    c.add_argument("--out", required=True)
    c.add_argument("image")
    s = sub.add_parser("source")
    s.add_argument("--name", required=True)
    s.add_argument("--guids", nargs="+", required=True)
    s.add_argument("--root", required=True)
    s.add_argument("--out", required=True)
    s.add_argument("sources", nargs="+")
    args = parser.parse_args(argv)
    try:
        if args.command == "module":
            module(args)
        elif args.command == "volume":
            files = [open(p, "rb").read() for p in args.files]
            for p, f in zip(args.files, files):
                if len(f) < FFS_HEADER_SIZE or int.from_bytes(f[20:23], "little") != len(f):
                    raise Refused("%s: not an FFS file (its size field says otherwise)" % p)
            write_all([(args.out, volume(files))])
        elif args.command == "compact":
            write_all([(args.out, compact(open(args.image, "rb").read(), args.image))])
        elif args.command == "source":
            guids, presence = read_guids(args.guids)
            root = os.path.realpath(args.root)
            sources = []
            for path in args.sources:
                relative = os.path.relpath(os.path.realpath(path), root)
                if relative.startswith(".."):
                    raise Refused("%s lies outside the package root %s" % (path, args.root))
                sources.append(relative.replace(os.sep, "/"))
            write_all([(args.out, source_inf(args.name, presence, guids, sorted(sources)))])
        else:
            homes = {}
            write_all([(args.out, dec(read_guids(args.guids, homes)[0], args.include, homes))])
    except (Refused, OSError) as error:
        print("fwpack: %s; nothing written" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
