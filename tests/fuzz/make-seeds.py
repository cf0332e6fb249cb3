#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Writes the committed seed inputs of the fuzz targets (corpus/<target>/). Each seed is
a small, well-formed case that the harness turns into a realistic run; the fuzzers mutate
from there."""
import os
import struct
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
HEAP_GUID = uuid.UUID("D97D161A-16CD-4ADA-B9F6-AEC3F9FCCC2C").bytes_le
OTHER_GUID = uuid.UUID("7739F24C-93D7-11D4-9A3A-0090273FC14D").bytes_le


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def hob(kind, body):
    length = 8 + len(body)
    length += (-length) % 8
    return struct.pack("<HHI", kind, length, 0) + body + b"\0" * (length - 8 - len(body))


def heap_hob(data, selector=0, flag=1, signature=b"HEAP", size=None):
    size = len(data) if size is None else size
    header = signature + b"\x11\x22\x33\x44" + struct.pack("<IBBH", size, selector, flag, 0x5566)
    return hob(4, HEAP_GUID + header + data)


END = struct.pack("<HHI", 0xFFFF, 8, 0)


def heap_seeds():
    t = "fuzz_heap_hobs"
    handoff = hob(1, b"\0" * 48)
    write(t, "empty", b"\0\0" + END)
    write(t, "two_nodes", b"\0\0" + handoff + heap_hob(bytes(range(24)), 8) + heap_hob(b"abc", 0) + END)
    write(t, "skipped", b"\0\0" + heap_hob(b"x" * 8, flag=0) + heap_hob(b"y" * 8, signature=b"PAEH")
          + hob(4, OTHER_GUID + b"\0" * 16) + heap_hob(b"", 9) + END)
    write(t, "armed_alloc_fails", b"\x01\x02" + heap_hob(b"1" * 16, 8) + heap_hob(b"2" * 16, 0)
          + heap_hob(b"3" * 16, 8) + END)
    write(t, "install_fails", b"\x05\x00" + heap_hob(b"z" * 40) + END)
    write(t, "adopt", b"\x02\x00" + heap_hob(b"q" * 8) + END)
    write(t, "size_past_hob", b"\x00\x00" + heap_hob(b"w" * 8, size=0x1000) + END)
    write(t, "short_length", b"\x00\x00" + struct.pack("<HHI", 4, 4, 0) + END)


def ioapic_tables(rows, routing):
    table = bytearray(b"\xC5" * (24 * len(rows) + 8 if rows else 20))
    for i, (base, ident) in enumerate(rows):
        struct.pack_into("<QI", table, 20 + 24 * i, base, ident)
    rtable = bytearray(b"\xC5" * (345 * len(routing) - 264 if routing else 28))
    for r, items in enumerate(routing):
        for j, (inp, ident) in enumerate(items):
            rtable[73 + 345 * r + 2 * j] = inp
            rtable[74 + 345 * r + 2 * j] = ident
    return bytes(table), bytes(rtable)


def ioapic_seeds():
    t = "fuzz_ioapic"
    rows = [(0xFEC00000, 5), (0xFEC01000, 6), (0xFEC00000, 7), (0x1FEC00000, 5)]
    routing = [[(24, 7), (23, 7), (55, 6), (56, 6)], [(30, 1), (40, 5), (24, 6), (0, 0)]]
    table, rtable = ioapic_tables(rows, routing)
    write(t, "two_apics", bytes([0x21, 0x22, len(rows), len(routing), 0]) + table + rtable)
    table, rtable = ioapic_tables([(0xFEC01000, 3)], [[(33, 3), (34, 9), (35, 1), (36, 3)]])
    write(t, "feeds_second", bytes([3, 0x40, 1, 1, 0]) + table + rtable)
    table, rtable = ioapic_tables([], [[(25, 1)] * 4])
    write(t, "no_rows", bytes([9, 10, 0, 1, 0]) + table + rtable)
    write(t, "no_tables", bytes([1, 2, 0, 0, 3]))
    write(t, "no_pcd", bytes([1, 2, 1, 1, 4]) + table + rtable)
    write(t, "no_protocol", bytes([1, 2, 1, 1, 8]) + table + rtable)


def class_seeds():
    sigs = {"m70": [0x00A70F52, 0x00A70F00, 0x00A70F10, 0x00A10F0B, 0x00A60F11, 0x00A20F10, 0x01070900,
                    0x00870F10, 0x00AA0F01, 0x00A90F01],
            "m60": [0x00870F21, 0x00830F00, 0x00830F10, 0x00A60F12, 0x00A70F52, 0x00800F30]}
    for v, values in sigs.items():
        for i, s in enumerate(values):
            socket = values[(i + 1) % len(values)]
            write("fuzz_class_" + v, "sig_%08x" % s, struct.pack("<II", s, socket) + b"\xEE" * 8 + b"\0" * 4)


heap_seeds()
ioapic_seeds()
class_seeds()


def memory_log_seeds():
    t = "fuzz_memory_log"

    def seed(name, flags, used, fill, ops, markers=None):
        head = bytes([flags]) + (b"" if flags & 8 else struct.pack("<III", *(markers or (0, 0, 0))))
        write(t, name, head + struct.pack("<I", used) + bytes([fill]) + ops)

    short = lambda text: bytes([2, len(text)]) + text  # noqa: E731
    long = lambda sel, raw=0: bytes([3, sel]) + struct.pack("<I", raw)  # noqa: E731
    seed("format_then_write", 0, 0, 0xAB, bytes([0]) + short(b"hello") + bytes([1]))
    seed("valid_append", 8, 5, 0x11, short(b"ABCDE") + short(b"") + bytes([1]))
    seed("exact_fit", 8, 0xFFFFF0 - 4, 0x22, short(b"1234"))
    seed("discard", 8, 0xFFFFEF, 0x33, short(b"wxyz"))
    seed("whole_region_used", 8 | 16, 0x1000000, 0x44, short(b"q") + bytes([0, 1]))
    seed("too_long_armed", 8 | 4, 0x500000, 0x55, long(5) + long(3))
    seed("too_long_small_log", 8 | 4, 0x100, 0x56, long(5))
    seed("not_boot_processor", 8 | 1, 0, 0x66, bytes([0, 1]) + short(b"x"))
    seed("no_memory", 2, 0, 0, bytes([0, 1]) + short(b"x"))
    seed("bad_guard", 0, 3, 0x77, bytes([1, 0]) + short(b"abc"), markers=(0x4D454D44, 0x55AA55AB, 0xBB66BB66))


memory_log_seeds()
