#!/usr/bin/env python3
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

VERSION_STRING = "1.0"
# GenFds gives an INF with a VERSION_STRING build number 0, whatever its rule says; ours match.
BUILD_NUMBER = 0
PACKAGE_NAME = "SocDxePkg"

# PI 1.8 vol. 3: file and section types, FFS attributes and states, depex opcodes.
EFI_FV_FILETYPE_DRIVER = 0x07
EFI_SECTION_PE32 = 0x10
EFI_SECTION_DXE_DEPEX = 0x13
EFI_SECTION_VERSION = 0x14
EFI_SECTION_USER_INTERFACE = 0x15
FFS_ATTRIB_CHECKSUM = 0x40
EFI_FILE_HEADER_CONSTRUCTION = 0x01
EFI_FILE_HEADER_VALID = 0x02
EFI_FILE_DATA_VALID = 0x04
DEPEX_PUSH, DEPEX_AND, DEPEX_END = 0x02, 0x03, 0x08
FFS_HEADER_SIZE = 24
FFS_ALIGNMENT = 8  # files in an FFS2 volume start 8-byte aligned
EFI_FIRMWARE_FILE_SYSTEM2_GUID = "8C8CE578-8A3D-4F1C-9935-896185C32DD3"
FV_BLOCK_SIZE = 0x1000
# Read/write/lock capabilities and status, sticky write, memory mapped, erase polarity 1,
# read/write lock capabilities and status, and 8-byte alignment (2^3 in bits 16-20).
FV_ATTRIBUTES = 0x0000FEFF | (3 << 16)
ERASED = 0xFF

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
# Token number, access, usage and purpose, in the order the drivers read them. Read by
# number through PCD_PROTOCOL: the platform's PCD database must give these numbers to PCDs
# of these types (tools/pcd-check reads this list too).
PCD_TOKENS = [
    (846, "GetBool", "CONSUMES", "configuration record byte 6"),
    (1180, "GetBool", "CONSUMES", "configuration record byte 7"),
    (1104, "Get8", "CONSUMES", "configuration record byte 8"),
    (1179, "Get8", "CONSUMES", "configuration record byte 9"),
    (1185, "Get8", "CONSUMES", "configuration record byte 10"),
    (1183, "Get8", "CONSUMES", "configuration record byte 11"),
    (1184, "Get32", "CONSUMES", "configuration record bytes 12-15"),
    (1181, "GetBool", "CONSUMES", "configuration record byte 16"),
    (1113, "Get32", "CONSUMES", "configuration record bytes 17-20"),
    (1112, "Get32", "CONSUMES", "configuration record bytes 21-24"),
    (1182, "Get8", "CONSUMES", "configuration record byte 25"),
    # Read on each INTERRUPT_TABLE_PROTOCOL install.
    (150, "Get8", "SOMETIMES_CONSUMES", "identifier of the I/O APIC at 0xFEC00000"),
    (152, "Get8", "SOMETIMES_CONSUMES", "identifier of the I/O APIC at 0xFEC01000"),
]


class Refused(Exception):
    pass


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


def read_guids(paths):
    """C name -> uuid.UUID, and the MODULE_PRESENCE_LIST names in order (if a file has one)."""
    texts = [(path, open(path).read()) for path in paths]
    macros = {m.group(1): guid_value(path, m.group(1), m.groups()[1:]) for path, text in texts
              for m in GUID_MACRO.finditer(text)}
    guids, presence = {}, []
    for path, text in texts:
        for m in GUID_DEFINITION.finditer(text):
            if m.group(2) is None:
                guids[m.group(1)] = guid_value(path, m.group(1), m.groups()[2:])
            elif m.group(2) in macros:
                guids[m.group(1)] = macros[m.group(2)]
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


# --- the image

def check_image(data, path, subsystems=(11,)):
    """A PE32+ image for x86-64 with the EFI boot-service driver subsystem (11)."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise Refused("%s: not a PE image (no MZ header)" % path)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 + 70 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        raise Refused("%s: not a PE image (no PE signature)" % path)
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    subsystem = struct.unpack_from("<H", data, pe + 24 + 68)[0]
    if magic != 0x20B:
        raise Refused("%s: not PE32+ (optional header magic 0x%X)" % (path, magic))
    if machine != 0x8664:
        raise Refused("%s: not an x86-64 image (machine 0x%X)" % (path, machine))
    if subsystem not in subsystems:
        raise Refused("%s: subsystem %d, not 11 (EFI boot-service driver)" % (path, subsystem))


def compact(data, path):
    """The image with the DOS header alone (no DOS stub: UEFI loaders read only e_magic and
    e_lfanew), without the trailing empty data directories, and with SizeOfHeaders rounded
    up to FileAlignment from there. Section contents and RVAs are unchanged; file offsets
    (sections, debug entries) move down by what the headers lost."""
    check_image(data, path, (10, 11, 12))  # EFI applications and drivers
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    opt = pe + 24
    file_alignment, = struct.unpack_from("<I", data, opt + 36)
    headers_size, = struct.unpack_from("<I", data, opt + 60)
    count, = struct.unpack_from("<I", data, opt + 108)
    table = opt + optional_size
    if optional_size != 112 + 8 * count or table + 40 * sections > headers_size or headers_size > len(data):
        raise Refused("%s: optional header or section table out of place" % path)
    directories = [struct.unpack_from("<II", data, opt + 112 + 8 * i) for i in range(count)]
    if count > 4 and directories[4] != (0, 0):
        raise Refused("%s: has a certificate table, whose file offset would move" % path)
    if struct.unpack_from("<I", data, pe + 12)[0]:
        raise Refused("%s: has a COFF symbol table; strip it first" % path)
    keep = max([i + 1 for i, entry in enumerate(directories) if entry != (0, 0)] or [0])
    rows = [list(struct.unpack_from("<8sIIIIIIHHI", data, table + 40 * i)) for i in range(sections)]
    if any(row[4] and row[4] < headers_size for row in rows):
        raise Refused("%s: a section's data lies inside the headers" % path)
    head = bytearray(b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40))
    head += data[pe:opt + 112] + b"".join(struct.pack("<II", *entry) for entry in directories[:keep])
    struct.pack_into("<H", head, 0x40 + 20, 112 + 8 * keep)
    struct.pack_into("<I", head, 0x40 + 24 + 108, keep)
    new_size = -(-(len(head) + 40 * sections) // file_alignment) * file_alignment
    shift = headers_size - new_size
    struct.pack_into("<I", head, 0x40 + 24 + 60, new_size)
    body = bytearray(data[headers_size:])
    debug_rva, debug_size = directories[6] if count > 6 else (0, 0)
    for _, _, rva, raw_size, raw, *_ in rows:
        if debug_size and rva <= debug_rva < rva + raw_size:
            first = raw - headers_size + debug_rva - rva
            for at in range(first + 24, first + debug_size, 28):  # PointerToRawData of each entry
                pointer, = struct.unpack_from("<I", body, at)
                struct.pack_into("<I", body, at, pointer - shift if pointer else 0)
    for row in rows:
        row[4] -= shift if row[4] else 0
        head += struct.pack("<8sIIIIIIHHI", *row)
    return bytes(head + bytes(new_size - len(head)) + body)


# --- PI formats

def depex(guids):
    out = b""
    for name in DEPEX_PROTOCOLS:
        out += bytes([DEPEX_PUSH]) + guids[name].bytes_le
    out += bytes([DEPEX_AND]) * (len(DEPEX_PROTOCOLS) - 1)
    return out + bytes([DEPEX_END])


def section(kind, payload):
    size = 4 + len(payload)
    if size > 0xFFFFFF:
        raise Refused("section of %d bytes needs the extended header" % size)
    return struct.pack("<I", size | (kind << 24)) + payload


def ucs2(text):
    return text.encode("utf-16-le") + b"\0\0"


def ffs_file(name_guid, sections, kind=EFI_FV_FILETYPE_DRIVER):
    data = b""
    for s in sections:
        data += b"\0" * (-len(data) % 4) + s  # each section starts 4-byte aligned
    size = FFS_HEADER_SIZE + len(data)
    if size > 0xFFFFFF:
        raise Refused("FFS file of %d bytes needs the large-file header" % size)
    state = EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID
    header = bytearray(name_guid.bytes_le + struct.pack("<BBBB", 0, 0, kind, FFS_ATTRIB_CHECKSUM)
                       + size.to_bytes(3, "little") + bytes([state]))
    # The header checksum is taken with State and the file checksum as zero; the file
    # checksum makes the data sum to zero.
    header[17] = 0
    header[23] = 0
    header[16] = (-sum(header)) & 0xFF
    header[17] = (-sum(data)) & 0xFF
    header[23] = state
    return bytes(header) + data


def volume(files):
    header_length = 56 + 16  # one block-map entry and its terminator
    body = bytearray()
    for f in files:
        f = bytearray(f)
        # With erase polarity 1 the state bits are stored inverted (PI vol. 3, 2.1.4.1).
        f[23] = ~f[23] & 0xFF
        body += bytes([ERASED]) * (-(header_length + len(body)) % FFS_ALIGNMENT) + f
    length = header_length + len(body)
    length += -length % FV_BLOCK_SIZE
    body += bytes([ERASED]) * (length - header_length - len(body))
    header = bytearray(b"\0" * 16 + uuid.UUID(EFI_FIRMWARE_FILE_SYSTEM2_GUID).bytes_le
                       + struct.pack("<Q4sIHHHBB", length, b"_FVH", FV_ATTRIBUTES, header_length, 0, 0, 0, 2)
                       + struct.pack("<IIII", length // FV_BLOCK_SIZE, FV_BLOCK_SIZE, 0, 0))
    checksum = (-sum(struct.unpack("<%dH" % (header_length // 2), header))) & 0xFFFF
    struct.pack_into("<H", header, 50, checksum)
    return bytes(header) + bytes(body)


# --- EDK II files

def inf_head(name, presence, guids, what):
    """The file comment and [Defines] of either INF; refuses a GUID the headers lack."""
    file_name = "g%sFileGuid" % name
    for cname in [file_name] + DEPEX_PROTOCOLS + [entry[0] for entry in PROTOCOLS + GUIDS] + presence:
        if cname not in guids and cname not in MDE_PKG:
            raise Refused("no definition of %s in the GUID headers" % cname)
    lines = ["## @file", "#  %s: %s" % (name, what), "##", "", "[Defines]"]
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
    lines += ["", "[Packages]", "  MdePkg/MdePkg.dec", "  %s/%s.dec" % (PACKAGE_NAME, PACKAGE_NAME), "",
              "[LibraryClasses]", "  UefiDriverEntryPoint", ""]
    lines += usage_lines(presence)
    lines += ["", "[Depex]", "  " + " AND ".join(DEPEX_PROTOCOLS), "",
              "[BuildOptions]", "  GCC:*_*_X64_CC_FLAGS      = " + BUILD_OPTIONS,
              "  CLANGPDB:*_*_X64_CC_FLAGS = " + BUILD_OPTIONS, ""]
    return "\n".join(lines)


def dec(guids, includes=None):
    names = [c for c in sorted(guids) if c not in MDE_PKG and not c.endswith("FileGuid")]
    protocols = [c for c in names if c.endswith("ProtocolGuid") or c.startswith("gModulePresence")]
    others = [c for c in names if c not in protocols]
    lines = ["## @file", "#  GUIDs of the SocDxe drivers. Generated by tools/fwpack.py; do not edit.", "##", "",
             "[Defines]", "  DEC_SPECIFICATION          = 0x00010017", "  PACKAGE_NAME               = %s" % PACKAGE_NAME,
             "  PACKAGE_GUID               = %s" % registry(uuid.uuid5(uuid.NAMESPACE_OID, PACKAGE_NAME)),
             "  PACKAGE_VERSION            = %s" % VERSION_STRING, ""]
    if includes:
        lines += ["[Includes]"] + ["  %s" % i for i in includes] + [""]
    lines += ["[Protocols]"]
    lines += ["  %s = %s" % (c, dec_form(guids[c])) for c in protocols]
    lines += ["", "[Guids]"] + ["  %s = %s" % (c, dec_form(guids[c])) for c in others] + [""]
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
                                      section(EFI_SECTION_VERSION, struct.pack("<H", BUILD_NUMBER) + ucs2(VERSION_STRING))])
    base = os.path.join(args.out_dir, args.name)
    write_all([(base + ".depex", dep), (base + ".ffs", ffs), (base + ".ui", args.name),
               (base + ".inf", info)])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    m = sub.add_parser("module")
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
            write_all([(args.out, dec(read_guids(args.guids)[0], args.include))])
    except (Refused, OSError) as error:
        print("fwpack: %s; nothing written" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
