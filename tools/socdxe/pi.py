# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The PI 1.8 volume 3 formats the tools write and read: firmware volumes, FFS files,
sections and dependency expressions."""
import struct
import uuid

from socdxe import Refused

# PI 1.8 vol. 3: file and section types, FFS attributes and states, depex opcodes.
EFI_FV_FILETYPE_RAW, EFI_FV_FILETYPE_PEIM, EFI_FV_FILETYPE_DRIVER, EFI_FV_FILETYPE_FFS_PAD = 0x01, 0x06, 0x07, 0xF0
EFI_SECTION_COMPRESSION, EFI_SECTION_GUID_DEFINED = 0x01, 0x02
EFI_SECTION_PE32, EFI_SECTION_DXE_DEPEX, EFI_SECTION_VERSION, EFI_SECTION_USER_INTERFACE = 0x10, 0x13, 0x14, 0x15
EFI_SECTION_FIRMWARE_VOLUME_IMAGE, EFI_SECTION_RAW = 0x17, 0x19
EFI_GUIDED_SECTION_PROCESSING_REQUIRED = 0x01
FFS_ATTRIB_LARGE_FILE, FFS_ATTRIB_CHECKSUM = 0x01, 0x40
EFI_FILE_HEADER_CONSTRUCTION = 0x01
EFI_FILE_HEADER_VALID = 0x02
EFI_FILE_DATA_VALID = 0x04
DEPEX_PUSH, DEPEX_AND, DEPEX_END = 0x02, 0x03, 0x08
FFS_HEADER_SIZE = 24
FFS_ALIGNMENT = 8  # files in an FFS2 volume start 8-byte aligned
EFI_FIRMWARE_FILE_SYSTEM2_GUID = "8C8CE578-8A3D-4F1C-9935-896185C32DD3"
FV_SIGNATURE, EFI_FVB2_ERASE_POLARITY = b"_FVH", 0x800
FV_BLOCK_SIZE = 0x1000
# Read/write/lock capabilities and status, sticky write, memory mapped, erase polarity 1,
# read/write lock capabilities and status, and 8-byte alignment (2^3 in bits 16-20).
FV_ATTRIBUTES = 0x0000FEFF | (3 << 16)
ERASED = 0xFF

# What a reader meets in a platform's flash: the file systems (with their file header
# size), and EDK2's variable store and LZMA section GUIDs.
FILE_SYSTEMS = {uuid.UUID(EFI_FIRMWARE_FILE_SYSTEM2_GUID): 24,
                uuid.UUID("5473C07A-3DCB-4DCA-BD6F-1E9689E7349A"): 24}   # FFS3 (large files too)
NV_DATA = uuid.UUID("FFF12B8D-7696-4C8B-A985-2747075B4F50")
LZMA = uuid.UUID("EE4E5898-3914-4259-9D6E-DC7BD79403CF")
LZMA_F86 = uuid.UUID("D42AE6BD-1352-4BFB-909A-CA72A6EAE889")


def depex(protocols):
    """PUSH each protocol GUID, AND them together, END."""
    out = b""
    for guid in protocols:
        out += bytes([DEPEX_PUSH]) + guid.bytes_le
    out += bytes([DEPEX_AND]) * (len(protocols) - 1)
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
                       + struct.pack("<Q4sIHHHBB", length, FV_SIGNATURE, FV_ATTRIBUTES, header_length, 0, 0, 0, 2)
                       + struct.pack("<IIII", length // FV_BLOCK_SIZE, FV_BLOCK_SIZE, 0, 0))
    checksum = (-sum(struct.unpack("<%dH" % (header_length // 2), header))) & 0xFFFF
    struct.pack_into("<H", header, 50, checksum)
    return bytes(header) + bytes(body)
