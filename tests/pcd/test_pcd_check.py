# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""tools/pcd-check on real images: Debian's OVMF, the strict DEBUG OVMF against its own
build's token list, and a platform that EDK2's build makes with the drivers' tokens (and two
that lack one); then one bad input for each refusal.
Usage: test_pcd_check.py FIRMWARE_BUILD"""
import glob
import importlib.util
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
TOOL = os.path.join(SOURCE, "tools", "pcd-check")
BUILD = os.path.abspath(sys.argv.pop(1))
STRICT = subprocess.run([os.path.join(SOURCE, "tools", "strict-ovmf"), "--where"], capture_output=True,
                        text=True).stdout.strip()


def load(name, path):
    found = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


fwpack = load("fwpack", os.path.join(SOURCE, "tools", "fwpack.py"))
platform = load("pcd_platform", os.path.join(HERE, "pcd-platform.py"))


def text(path):
    with open(path, errors="replace") as f:
        return f.read()


def check(image, *options):
    run = subprocess.run([sys.executable, TOOL, *options, image], capture_output=True, text=True)
    return run.returncode, run.stdout + run.stderr


def token_lines(output):
    return {int(m.group(1)): m.group(0) for m in re.finditer(r"^  (\d+) +(GetBool|Get8|Get32) .*$", output, re.M)}


# The drivers' reads, and what the test platform gives each: database and type, default.
TOKENS = {846: "GetBool", 1180: "GetBool", 1104: "Get8", 1179: "Get8", 1185: "Get8", 1183: "Get8", 1184: "Get32",
          1181: "GetBool", 1113: "Get32", 1112: "Get32", 1182: "Get8", 150: "Get8", 152: "Get8"}
PLATFORM = {846: "DXE #691: BOOLEAN (1 byte), default 0x1", 1180: "DXE #1025: BOOLEAN (1 byte), default 0x1",
            1104: "DXE #949: UINT8 (1 byte), default 0x11", 1179: "DXE #1024: UINT8 (1 byte), default 0x79",
            1185: "DXE #1030: UINT8 (1 byte), default 0x85", 1183: "DXE #1028: UINT8 (1 byte), default 0x83",
            1184: "DXE #1029: UINT32 (4 bytes), default 0x11840084", 1181: "DXE #1026: BOOLEAN (1 byte), default 0x0",
            1113: "DXE #958: UINT32 (4 bytes), default 0x11130013", 1112: "DXE #957: UINT32 (4 bytes), default 0x0",
            1182: "DXE #1027: UINT8 (1 byte), default 0x82", 150: "PEI #150: UINT8 (1 byte), default 0xA",
            152: "PEI #152: UINT8 (1 byte), default 0xB"}


class RealImages(unittest.TestCase):
    def test_debian_ovmf_has_both_databases_in_its_compressed_volume_and_none_of_the_tokens(self):
        status, out = check("/usr/share/OVMF/OVMF_CODE_4M.fd")
        self.assertEqual(status, 1, out)
        for phase, name in (("PEI", "PcdPeim"), ("DXE", "PcdDxe")):
            self.assertRegex(out, r"%s PCD database in file %s \(.* in the volume image in the LZMA section of file "
                                  r".*: \d+ local tokens" % (phase, name))
        lines = token_lines(out)
        self.assertEqual({t: re.search(r"(Get\w+)", lines[t]).group(1) for t in lines}, TOKENS)
        self.assertTrue(all("missing: the databases hold tokens 1 to" in line for line in lines.values()), out)
        self.assertIn("verdict: 13 of 13 tokens missing or of another type", out)
        self.assertIn("  warning: no PCD names: /usr/share/OVMF/PcdTokenNumber cannot be read", out)

    def test_strict_ovmf_agrees_with_its_build(self):
        numbers = {int(n): (space, name) for name, space, n in re.findall(
            r"\('(\w+)', '(\w+)'\) : (\d+)", text(os.path.join(STRICT, "PcdTokenNumber")))}
        declared = {}
        for dec in glob.glob(os.path.join(STRICT, "edk2", "*", "*.dec")):
            for space, name, datum in re.findall(r"^\s*(\w+)\.(\w+)\s*\|[^|]*\|\s*(BOOLEAN|UINT8|UINT16|UINT32|UINT64|VOID\*)\s*\|",
                                                 text(dec), re.M):
                declared[(space, name)] = datum
        _, out = check(os.path.join(STRICT, "OVMF_CODE.fd"), "--all")
        listed = {int(n): datum for n, datum in re.findall(r"^  (\d+): (?:PEI|DXE) #\d+ ([A-Z0-9]+\*?)", out, re.M)}
        self.assertEqual(sorted(listed), sorted(numbers), out)
        for number, pcd in numbers.items():
            self.assertEqual(listed[number], declared[pcd], "token %d, %s.%s" % (number, *pcd))

    def test_a_platform_with_the_tokens_passes_and_two_without_fail(self):
        built = platform.build(STRICT, BUILD)
        landed = text(os.path.join(built, "good", "PcdTokenNumber"))
        for token in TOKENS:
            self.assertTrue(re.search(r"(?m)^\('PcdT%04d', 'gSocPcdTestTokenSpaceGuid'\) : %d$" % (token, token), landed),
                            "EDK2 gave PcdT%04d another number" % token)
        status, out = check(os.path.join(built, "good", "SOCPCDTEST.fd"))
        self.assertEqual(status, 0, out)
        lines = token_lines(out)
        for token, want in PLATFORM.items():  # named from the build's PcdTokenNumber beside the image
            self.assertTrue(lines[token].endswith(" %s  = gSocPcdTestTokenSpaceGuid.PcdT%04d" % (want, token)),
                            lines[token])
        self.assertIn("verdict: every token the drivers read is there", out)
        for variant, token, want, verdict in [
                ("wrongtype", 1184, "UINT16 (2 bytes), default 0x1184  <- Get32 wants UINT32", "1184 is UINT16, Get32 wants UINT32"),
                ("missing", 1185, "missing: the databases hold tokens 1 to 1184", "1185 missing")]:
            status, out = check(os.path.join(built, variant, "SOCPCDTEST.fd"), "--names", os.devnull)
            self.assertEqual(status, 1, out)
            self.assertTrue(token_lines(out)[token].endswith(want), out)
            self.assertIn("verdict: 1 of 13 tokens missing or of another type: %s\n" % verdict, out)
        # The README's FDF rule with CHECKSUM: GenFds writes our FFS files byte for byte.
        for name, guid in [("SocDxeM70", "31B09955-39F3-4E8E-9604-E6B057C661C9"),
                           ("SocDxeM60", "402772CB-A19D-4415-971F-843427F03D8E")]:
            with open(os.path.join(built, "good", guid + name + ".ffs"), "rb") as genfds, \
                    open(os.path.join(BUILD, name + ".ffs"), "rb") as ours:
                self.assertTrue(genfds.read() == ours.read(), "GenFds' %s.ffs differs from ours" % name)
        # The reference platform: OVMF whose own database gives the tokens, 150 = 0x2C there.
        reference = subprocess.run([os.path.join(SOURCE, "tools", "reference-platform"), "--where"],
                                   capture_output=True, text=True).stdout.strip()
        status, out = check(os.path.join(reference, "OVMF_CODE.fd"))
        self.assertEqual(status, 0, out)
        self.assertTrue(token_lines(out)[150].endswith("default 0x2C  = gVendorSocRefTokenSpaceGuid.PcdT0150"), out)


PCD_DXE = uuid.UUID("80CF7257-87AB-47F9-A3FE-D50B76D89541")
LZMA = uuid.UUID("EE4E5898-3914-4259-9D6E-DC7BD79403CF")
SIGNATURE = uuid.UUID("3C7D193C-682C-4C14-A68F-552DEA4F437E").bytes_le


class BadInput(unittest.TestCase):
    def refused(self, data, reason):
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "image.fd")
            with open(path, "wb") as f:
                f.write(data)
            status, out = check(path)
        self.assertEqual(status, 2, out)
        self.assertRegex(out, r"\Apcd-check: %s: .*%s[^\n]*\n\Z" % (re.escape(path), reason))

    def test_each_refusal(self):
        with open(os.path.join(BUILD, "SocDxe.fv"), "rb") as f:
            volume = f.read()
        with open(os.path.join(BUILD, "SocDxeM70.efi"), "rb") as f:
            image = f.read()
        broken = bytearray(volume)
        broken[50] ^= 0xFF  # the header checksum
        junk = fwpack.section(0x02, LZMA.bytes_le + struct.pack("<HH", 24, 1) + b"not an LZMA stream" * 4)

        def pcd_driver(raw):
            return fwpack.volume([fwpack.ffs_file(PCD_DXE, [fwpack.section(0x19, raw)])])

        for data, reason in [
                (image, "not a firmware image"),
                (bytes(broken), "broken firmware volume header"),
                (volume[:8192], "truncated: the volume at 0x0 claims 16384 bytes, 8192 are there"),
                (fwpack.volume([fwpack.ffs_file(uuid.uuid4(), [junk])]), "an LZMA section of file .* does not decode"),
                (volume, "no PCD DXE driver with a PCD database in 1 volumes"),
                (pcd_driver(bytes(range(64))), "holds no PCD database \\(unknown signature"),
                (pcd_driver(SIGNATURE + struct.pack("<II", 6, 128) + bytes(108)), "version 6; this tool reads version 7")]:
            with self.subTest(reason):
                self.refused(data, reason)


if __name__ == "__main__":
    unittest.main()
