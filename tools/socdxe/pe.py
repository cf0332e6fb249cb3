# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""PE32+ images: reading the parts the image checks and the size report need, the
refusal of what is not an x86-64 EFI image, and the header compaction of the build."""
import re
import struct
import subprocess

from socdxe import Refused

IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
# The drivers' "$IDS" hook table as it starts: Signature, Version 1, 24 reserved zero bytes
# (its Entries pointer follows), which tools find and patch in an image.
IDS_HOOK_HEADER = b"$IDS" + struct.pack("<I", 1) + bytes(24)
DIRECTORY_NAMES = ["export", "import", "resource", "exception", "security", "basereloc", "debug",
                   "architecture", "globalptr", "tls", "loadconfig", "boundimport", "iat",
                   "delayimport", "clr", "reserved"]


class PeImage:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != 0x20B:
            raise ValueError("not PE32+ (magic %#x)" % self.magic)
        self.entry_rva = struct.unpack_from("<I", data, opt + 16)[0]
        self.image_base = struct.unpack_from("<Q", data, opt + 24)[0]
        self.section_alignment, self.file_alignment = struct.unpack_from("<II", data, opt + 32)
        self.size_of_image = struct.unpack_from("<I", data, opt + 56)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        self.image_version = "%d.%d" % struct.unpack_from("<HH", data, opt + 44)
        ndirs = struct.unpack_from("<I", data, opt + 108)[0]
        self.directories = {}
        for i in range(ndirs):
            rva, size = struct.unpack_from("<II", data, opt + 112 + 8 * i)
            self.directories[DIRECTORY_NAMES[i]] = (rva, size)
        self.sections = []
        sh = opt + opt_size
        for i in range(nsections):
            name, vsize, vaddr, rawsize, rawptr, _, _, _, _, flags = struct.unpack_from("<8sIIIIIIHHI", data, sh + 40 * i)
            self.sections.append({"name": name.rstrip(b"\0").decode(), "vsize": vsize, "vaddr": vaddr,
                                  "rawsize": rawsize, "rawptr": rawptr, "flags": flags})

    def directory(self, name):
        return self.directories.get(name, (0, 0))

    def file_offset(self, rva):
        for s in self.sections:
            if s["vaddr"] <= rva < s["vaddr"] + s["rawsize"]:
                return s["rawptr"] + rva - s["vaddr"]
        return None

    def rva_of(self, offset):
        for s in self.sections:
            if s["rawptr"] <= offset < s["rawptr"] + s["rawsize"]:
                return s["vaddr"] + offset - s["rawptr"]
        return None

    def relocations(self):
        """RVA -> type of every base relocation (10 is DIR64), read where the loader reads
        them: the base-relocation directory's blocks."""
        rva, size = self.directory("basereloc")
        at, end, found = self.file_offset(rva) if size else None, 0, {}
        end = at + size if at is not None else 0
        while at is not None and at + 8 <= end:
            page, block = struct.unpack_from("<II", self.data, at)
            if block < 8:
                break
            for entry in struct.unpack_from("<%dH" % ((block - 8) // 2), self.data, at + 8):
                if entry >> 12:
                    found[page + (entry & 0xFFF)] = entry >> 12
            at += block
        return found

    def codeview(self):
        """(GUID bytes, path) of the first CodeView debug entry (RSDS, or the NB10 that EDK2's
        GenFw writes, whose signature stands in for the GUID), or None. The entry is read
        where the image is loaded (its RVA), as a DXE core reads it."""
        rva, size = self.directory("debug")
        at = self.file_offset(rva) if size else None
        for entry in range(size // 28 if at is not None else 0):
            kind, data_size, data_rva = struct.unpack_from("<III", self.data, at + 28 * entry + 12)
            record = self.file_offset(data_rva)
            if kind == 2 and record is not None:
                raw = self.data[record:record + data_size]
                if raw[:4] == b"RSDS":
                    return raw[4:20], raw[24:].split(b"\0")[0].decode(errors="replace")
                if raw[:4] == b"NB10":
                    return raw[8:12], raw[16:].split(b"\0")[0].decode(errors="replace")
        return None


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


def origins(objdump, symbols_file):
    """Address -> (innermost function, source file) of each instruction, from the line table
    of the image's symbol file (the same code at the same addresses)."""
    listing = subprocess.run([objdump, "-d", "-l", "--no-show-raw-insn", symbols_file],
                             check=True, capture_output=True, text=True).stdout
    found, function, source = {}, "", ""
    for line in listing.splitlines():
        if line.startswith("; ") and line.endswith("():"):
            function = line[2:-3]
        elif line.startswith("; "):
            source = line[2:].rsplit(":", 1)[0]
        else:
            m = re.match(r"^\s*([0-9a-f]+):\s", line)
            if m:
                found[int(m.group(1), 16)] = (function, source)
    return found
