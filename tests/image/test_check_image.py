#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The image checks and the size report themselves: each defect planted in a copy of a
real image must be reported, and the clean image must pass.
Usage: test_check_image.py IMAGE MAP OBJDUMP"""
import os
import struct
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import check_image  # noqa: E402
from socdxe.pe import IDS_HOOK_HEADER, IMAGE_SCN_MEM_EXECUTE, IMAGE_SCN_MEM_WRITE, PeImage  # noqa: E402

IMAGE, MAP, OBJDUMP = sys.argv[1], sys.argv[2], sys.argv[3]
del sys.argv[1:4]


class Planted(unittest.TestCase):
    def setUp(self):
        self.data = bytearray(open(IMAGE, "rb").read())
        self.pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        self.opt = self.pe + 24
        # The image keeps its name: the check expects its CodeView entry to match it.
        folder = os.path.join(os.environ.get("TMPDIR", "/tmp"), "planted-%d" % os.getpid())
        os.makedirs(folder, exist_ok=True)
        self.path = os.path.join(folder, os.path.basename(IMAGE))

    def tearDown(self):
        if os.path.exists(self.path):
            os.remove(self.path)
            os.rmdir(os.path.dirname(self.path))

    def problems(self, budget=8192):
        with open(self.path, "wb") as f:
            f.write(self.data)
        return check_image.check(self.path, budget, 11)

    def section_header(self, name):
        opt_size = struct.unpack_from("<H", self.data, self.pe + 20)[0]
        for s, section in enumerate(PeImage(bytes(self.data)).sections):
            if section["name"] == name:
                return self.opt + opt_size + 40 * s
        self.fail("no section " + name)

    def rename_codeview(self, name):
        at = bytes(self.data).index(b"SocDxeM70.debug\0")
        self.data[at:at + len(name)] = name

    def expect(self, text, **kw):
        found = self.problems(**kw)
        self.assertTrue(any(text in p for p in found), "%r not among %r" % (text, found))

    def test_clean_image_passes(self):
        self.assertEqual(self.problems(), [])

    def test_defects_are_reported(self):
        cases = [
            ("not AMD64", lambda: struct.pack_into("<H", self.data, self.pe + 4, 0x14C)),
            ("not PE32+", lambda: struct.pack_into("<H", self.data, self.opt, 0x10B)),
            ("subsystem 10", lambda: struct.pack_into("<H", self.data, self.opt + 68, 10)),
            ("no base relocations", lambda: struct.pack_into("<II", self.data, self.opt + 112 + 8 * 5, 0, 0)),
            ("import directory", lambda: struct.pack_into("<II", self.data, self.opt + 112 + 8 * 1, 0x1000, 40)),
            ("writable and executable", lambda: struct.pack_into(
                "<I", self.data, self.section_header(".text") + 36,
                struct.unpack_from("<I", self.data, self.section_header(".text") + 36)[0]
                | IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE)),
            ("ImageBase 0x140000000", lambda: struct.pack_into("<Q", self.data, self.opt + 24, 0x140000000)),
            ("image version 0.0", lambda: struct.pack_into("<HH", self.data, self.opt + 44, 0, 0)),
            ("CodeView entry 'x/SocDxeM70.deb'", lambda: self.rename_codeview(b"x/SocDxeM70.deb")),
            ("CodeView entry None", lambda: struct.pack_into("<II", self.data, self.opt + 112 + 8 * 6, 0, 0)),
            ("not 4 KiB aligned", lambda: struct.pack_into(
                "<I", self.data, self.section_header(".data") + 12,
                struct.unpack_from("<I", self.data, self.section_header(".data") + 12)[0] + 0x200)),
        ]
        for text, plant in cases:
            with self.subTest(text):
                self.setUp()
                plant()
                self.expect(text)

    def test_unwind_tables_and_constructors_are_reported(self):
        # What the linker put in: lld-link's map of an EDK2 CLANGPDB build, or the ELF file
        # GenFw converted, beside the image.
        names = b"\0.text\0.eh_frame\0.shstrtab\0"
        headers = b"".join(struct.pack("<IIQQQQIIQQ", at, 1, 0, 0, 0, size, 0, 0, 1, 0)
                           for at, size in [(0, 0), (1, 16), (7, 0x508), (17, len(names))])
        elf = bytearray(64) + names + headers
        elf[:4] = b"\x7fELF"
        struct.pack_into("<Q", elf, 0x28, 64 + len(names))
        struct.pack_into("<HHH", elf, 0x3A, 64, 4, 3)
        struct.pack_into("<Q", elf, 64 + len(names) + 3 * 64 + 24, 64)  # .shstrtab's offset
        stem = os.path.splitext(self.path)[0]
        for text, suffix, content in [(".CRT$XCU (8 bytes)", ".map", b"00001000 00000008     8         a.obj:(.CRT$XCU)\n"),
                                      (".eh_frame (1288 bytes)", ".debug", bytes(elf))]:
            with self.subTest(text):
                with open(stem + suffix, "wb") as f:
                    f.write(content)
                self.expect(text)
                os.remove(stem + suffix)

    def test_budget_counts_every_byte(self):
        self.assertEqual(self.problems(budget=len(self.data)), [])
        self.expect("over the", budget=len(self.data) - 1)


    def test_a_lost_or_altered_hook_table_is_reported(self):
        import check_code
        at = bytes(self.data).index(IDS_HOOK_HEADER)
        entries = PeImage(bytes(self.data)).file_offset(struct.unpack_from("<Q", self.data, at + 32)[0])
        for text, offset, value in [("there 0 times", at + 4, 2), ("does not hold the end entry", entries, 0),
                                    ("does not hold the end entry", entries + 8, 0)]:
            with self.subTest(offset=offset):
                self.setUp()
                self.data[offset] = value
                self.problems()  # writes the planted copy
                found, _ = check_code.hook_table_problems(OBJDUMP, self.path)
                self.assertTrue(any(text in f for f in found), found)


class Code(unittest.TestCase):
    def test_planted_wide_stores_and_wrong_seam_instructions_are_reported(self):
        import check_code
        syms, code = check_code.named_functions(open(MAP).read()), check_code.code(OBJDUMP, IMAGE)
        inlined = check_code.origins(OBJDUMP, os.path.splitext(IMAGE)[0] + ".debug")
        self.assertEqual(check_code.wide_stores(code, syms, "MemoryLog", 4, inlined), [])
        self.assertEqual(check_code.seam_problems(code, inlined), [])
        log = next(a for a, t in sorted(code.items()) if t.startswith("mov byte ptr")
                   and any("MemoryLog" in n and lo <= a < hi for n, _, lo, hi in syms))
        for planted, count in [("movups xmmword ptr [rdx + rdi], xmm0", 1), ("mov qword ptr [rax], rcx", 1),
                               ("rep stosb byte ptr es:[rdi], al", 1), ("mov qword ptr [rsp + 32], rcx", 0)]:
            self.assertEqual(len(check_code.wide_stores({**code, log: planted}, syms, "MemoryLog", 4, inlined)),
                             count, planted)
        elsewhere = {**inlined, min(code): ("DriverEntry", "././debug/MemoryLog.cpp")}
        self.assertEqual(len(check_code.wide_stores(code, syms, "MemoryLog", 4, elsewhere)), 1)
        for good, bad in [("out 224, ax", "out 224, al"), ("mov esi, 0", "xor esi, esi"), ("mov ebx, 2", "mov ebx, 1")]:
            at = next(a for a, t in code.items() if t == good)
            self.assertEqual(len(check_code.seam_problems({**code, at: bad}, inlined)), 1, good)


class SizeReport(unittest.TestCase):
    def test_prints_sections_and_subsystems(self):
        out = subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "bench", "size_report.py"),
                              "--map", MAP, IMAGE], check=True, capture_output=True, text=True).stdout
        size = os.path.getsize(IMAGE)
        self.assertIn("%d bytes in the file" % size, out)
        for section in PeImage(open(IMAGE, "rb").read()).sections:
            self.assertRegex(out, r"\n  %s +%d bytes" % (section["name"], section["vsize"]))
        for subsystem in ("framework", "heap", "debug", "processor", "ioapic"):
            self.assertRegex(out, r"\n    %s +\d+ bytes" % subsystem)


if __name__ == "__main__":
    unittest.main()
