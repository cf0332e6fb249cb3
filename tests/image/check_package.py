#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Reads the firmware files back with readers that did not write them: Debian's UEFIExtract
for the volume (and through it the FFS files, whose bytes must be the volume's), and the
parsers below, written apart from tools/fwpack.py, for the depex, the INF and the DEC. The
expected values are the published GUIDs, names and types, written out here.
Usage: check_package.py --uefiextract TOOL --fwpack TOOL BUILD_DIR"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from socdxe import pi  # noqa: E402
from socdxe.pe import PeImage  # noqa: E402

DELIVERABLES = {  # name -> (FFS file GUID, presence GUIDs installed)
    "SocDxeM70": ("31B09955-39F3-4E8E-9604-E6B057C661C9", 22),
    "SocDxeM60": ("402772CB-A19D-4415-971F-843427F03D8E", None),
}
PCD_PROTOCOL = "11B34006-D85B-4D0A-A290-D5A571310EF7"
EFI_PCD_PROTOCOL = "13A3F0F6-264A-3EF0-F2E0-DEC512342F34"
DECLARED = {  # C name -> GUID every platform build must resolve the same way
    "gProcessorClassProtocolGuid": "72F8E409-0D2A-4B91-886F-BA13449FD778",
    "gPlatformInfoProtocolGuid": "0967CF7E-6566-4B11-BE76-0B3EAE6392DA",
    "gHeapListProtocolGuid": "AF62673D-DEDA-43AE-8F03-9C2D89FD78DA",
    "gDebugPrintProtocolGuid": "669ED5B1-49A3-4C59-9D2D-0432AD6CDB61",
    "gRegisterAccessProtocolGuid": "264272B3-81D1-453A-8503-8989F4382E68",
    "gInterruptTableProtocolGuid": "4FC0733F-6FD2-491B-A890-5374521BF48F",
    "gHeapHobGuid": "D97D161A-16CD-4ADA-B9F6-AEC3F9FCCC2C",
}
MDE_PKG = {"gPcdProtocolGuid", "gEfiPcdProtocolGuid", "gEfiHobListGuid", "gEfiDxeServicesTableGuid"}
SECTIONS = ["DXE dependency", "PE32 image", "UI", "Version"]
PCD_TOKENS = {846, 1180, 1104, 1179, 1185, 1183, 1184, 1181, 1113, 1112, 1182, 150, 152}

problems = []


def expect(ok, text):
    if not ok:
        problems.append(text)
    return ok


def uefiextract_report(tool, path):
    """Rows of UEFIExtract's report (type, subtype, base, size, name) and what it printed."""
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, os.path.basename(path))
        shutil.copyfile(path, copy)
        run = subprocess.run([tool, copy, "report"], capture_output=True, text=True, cwd=work)
        report = open(copy + ".report.txt").read() if os.path.exists(copy + ".report.txt") else ""
    rows = []
    for line in report.splitlines()[1:]:
        cells = [c.strip() for c in line.split("|")]
        if len(cells) >= 6:
            rows.append({"type": cells[0], "subtype": cells[1], "base": int(cells[2], 16), "size": int(cells[3], 16),
                         "name": " | ".join(cells[5:]).lstrip("- ")})
    return rows, (run.stdout + run.stderr).strip().splitlines()


def check_volume(tool, build):
    fv = os.path.join(build, "SocDxe.fv")
    data = open(fv, "rb").read()
    rows, said = uefiextract_report(tool, fv)
    # A volume that holds no volume-top file is what a driver volume is; anything else
    # UEFIExtract says (checksums, sizes, alignment, unerased free space) is a defect.
    for line in said:
        expect("Volume Top File" in line, "UEFIExtract: " + line)
    volumes = [r for r in rows if r["type"] == "Volume"]
    expect(len(volumes) == 1 and volumes[0]["subtype"] == "FFSv2" and volumes[0]["size"] == len(data),
           "SocDxe.fv: want one FFSv2 volume of %d bytes, UEFIExtract found %r" % (len(data), volumes))
    files = [i for i, r in enumerate(rows) if r["type"] == "File"]
    names = [rows[i]["name"] for i in files]
    want = ["%s | %s" % (g, n) for n, (g, _) in DELIVERABLES.items()]
    expect(names == want, "SocDxe.fv: files %r, want %r" % (names, want))
    for i in files:
        f = rows[i]
        expect(f["subtype"] == "DXE driver", "%s: file type %s" % (f["name"], f["subtype"]))
        kinds = []
        for r in rows[i + 1:]:
            if r["type"] != "Section":
                break
            kinds.append(r["subtype"])
        expect(kinds == SECTIONS, "%s: sections %r, want %r" % (f["name"], kinds, SECTIONS))
        name = f["name"].split(" | ")[-1]
        ffs = open(os.path.join(build, name + ".ffs"), "rb").read()
        in_volume = bytearray(data[f["base"]:f["base"] + f["size"]])
        # Erase polarity 1 stores the state bits inverted; all else is the same bytes.
        expect(len(ffs) == f["size"] and ffs[:23] == in_volume[:23] and ffs[24:] == in_volume[24:]
               and (ffs[23] ^ in_volume[23]) == 0xFF, "%s.ffs differs from its copy in SocDxe.fv" % name)
        image = open(os.path.join(build, name + ".efi"), "rb").read()
        expect(image in ffs, "%s.ffs does not hold %s.efi byte for byte" % (name, name))
    # Alignment padding between files is erased flash, 0xFF under erase polarity 1: two
    # 29-byte files leave 3 bytes of it, whatever the drivers' sizes.
    small = pi.ffs_file(uuid.UUID(int=1), [pi.section(pi.EFI_SECTION_RAW, b"x")])
    padded = pi.volume([small, small])
    first = struct.unpack_from("<H", padded, 48)[0] + len(small)
    expect(padded[first:first + 3] == b"\xff" * 3, "volume padding between files: %r" % padded[first:first + 3])


def parse_depex(data):
    """Opcodes of a DXE dependency expression: PUSH carries a GUID."""
    ops, at = [], 0
    while at < len(data):
        op = data[at]
        if op == 0x02:
            ops.append(("PUSH", str(uuid.UUID(bytes_le=bytes(data[at + 1:at + 17]))).upper()))
            at += 17
        else:
            ops.append(({0x03: "AND", 0x04: "OR", 0x05: "NOT", 0x06: "TRUE", 0x07: "FALSE", 0x08: "END"}.get(op, "?%d" % op),))
            at += 1
    return ops


def parse_ini(text):
    """[Section] -> list of lines, comments (#...) kept apart from the entries."""
    sections, current = {}, None
    for raw in text.splitlines():
        line = raw.strip()
        m = re.match(r"^\[([^\]]+)\]$", line)
        if m:
            current = sections.setdefault(m.group(1), {"entries": [], "comments": []})
        elif current is not None and line.startswith("#"):
            current["comments"].append(line)
        elif current is not None and line:
            entry, _, usage = line.partition("##")
            current["entries"].append((entry.strip(), usage.strip()))
    return sections


def check_module(build, name, file_guid, presence_count, declared):
    depex = open(os.path.join(build, name + ".depex"), "rb").read()
    want = [("PUSH", PCD_PROTOCOL), ("PUSH", EFI_PCD_PROTOCOL), ("AND",), ("END",)]
    expect(parse_depex(depex) == want, "%s.depex: %r, want %r" % (name, parse_depex(depex), want))
    inf = parse_ini(open(os.path.join(build, name + ".inf")).read())
    defines = dict((e.split("=", 1)[0].strip(), e.split("=", 1)[1].strip()) for e, _ in inf.get("Defines", {"entries": []})["entries"])
    for key, value in [("BASE_NAME", name), ("FILE_GUID", file_guid), ("MODULE_TYPE", "DXE_DRIVER"),
                       ("ENTRY_POINT", "DriverEntry")]:
        expect(defines.get(key, "").upper() == value.upper(), "%s.inf: %s = %r, want %s" % (name, key, defines.get(key), value))
    expect("INF_VERSION" in defines and "VERSION_STRING" in defines, "%s.inf: INF_VERSION or VERSION_STRING missing" % name)
    binaries = [e.split("|") for e, _ in inf.get("Binaries.X64", {"entries": []})["entries"]]
    kinds = {b[0]: b[1] for b in binaries}
    for kind, suffix in [("PE32", ".efi"), ("DXE_DEPEX", ".depex"), ("UI", ".ui"), ("DISPOSABLE", ".debug")]:
        expect(kinds.get(kind) == name + suffix, "%s.inf: %s|%r, want %s" % (name, kind, kinds.get(kind), name + suffix))
        expect(os.path.exists(os.path.join(build, name + suffix)), "%s: %s missing next to the INF" % (name, name + suffix))
    # One line per usage: "gName ## USAGE # help", and for a GUID "## USAGE ## TYPE".
    protocols, guids = {}, {}
    for section, found in (("Protocols.X64", protocols), ("Guids.X64", guids)):
        for entry, usage in inf.get(section, {"entries": []})["entries"]:
            found.setdefault(entry, []).append(usage.split("#")[0].strip() + (
                " ## " + usage.split("##")[1].split("#")[0].strip() if usage.count("##") else ""))
    for cname, usages in [("gProcessorClassProtocolGuid", ["SOMETIMES_PRODUCES"]),
                          ("gPlatformInfoProtocolGuid", ["SOMETIMES_PRODUCES"]),
                          ("gHeapListProtocolGuid", ["SOMETIMES_CONSUMES", "SOMETIMES_PRODUCES"]),
                          ("gPcdProtocolGuid", ["CONSUMES"]), ("gEfiPcdProtocolGuid", ["CONSUMES"]),
                          ("gDebugPrintProtocolGuid", ["SOMETIMES_CONSUMES"]),
                          ("gRegisterAccessProtocolGuid", ["SOMETIMES_CONSUMES"]),
                          ("gInterruptTableProtocolGuid", ["NOTIFY", "SOMETIMES_CONSUMES"])]:
        expect(protocols.get(cname) == usages, "%s.inf: %s has usages %r, want %r" % (name, cname, protocols.get(cname), usages))
    for cname, usage in [("gEfiHobListGuid", "CONSUMES ## SystemTable"), ("gEfiDxeServicesTableGuid", "CONSUMES ## SystemTable"),
                         ("gHeapHobGuid", "SOMETIMES_CONSUMES ## HOB")]:
        expect(guids.get(cname) == [usage], "%s.inf: %s has usage %r, want %r" % (name, cname, guids.get(cname), usage))
    expect(defines.get("VALID_ARCHITECTURES") == "X64", "%s.inf: VALID_ARCHITECTURES %r" % (name, defines.get("VALID_ARCHITECTURES")))
    presence = [c for c in protocols if c.startswith("gModulePresence")]
    expect(all(protocols[c] == ["SOMETIMES_PRODUCES"] for c in presence), "%s.inf: a presence GUID not SOMETIMES_PRODUCES" % name)
    if presence_count is not None:
        expect(len(presence) == presence_count, "%s.inf: %d presence GUIDs, want %d" % (name, len(presence), presence_count))
    for cname in list(protocols) + list(guids):
        expect(cname in declared or cname in MDE_PKG, "%s.inf: %s is declared in no package" % (name, cname))
    comments = [c for section in inf.values() for c in section["comments"]]
    tokens = {int(m.group(1)) for c in comments for m in [re.match(r"#\s+(\d+)\s+Get", c)] if m}
    expect(tokens == PCD_TOKENS, "%s.inf: PCD tokens %r, want %r" % (name, sorted(tokens), sorted(PCD_TOKENS)))

    # Symbols: the shipped image is its symbol file less the DWARF: the same base, entry,
    # CodeView entry and loaded bytes, but for the debug entries' file offsets.
    efi, debug = open(os.path.join(build, name + ".efi"), "rb").read(), open(os.path.join(build, name + ".debug"), "rb").read()
    pe, pd = PeImage(efi), PeImage(debug)
    expect(pe.image_base == pd.image_base and pe.entry_rva == pd.entry_rva and pe.codeview() == pd.codeview(),
           "%s.debug: other base, entry or CodeView entry" % name)
    dbg_rva, dbg_size = pe.directory("debug")
    for s in pe.sections:
        t = next((x for x in pd.sections if x["name"] == s["name"]), None)
        a = bytearray(efi[s["rawptr"]:s["rawptr"] + min(s["vsize"], s["rawsize"])])
        b = bytearray(debug[t["rawptr"]:t["rawptr"] + min(t["vsize"], t["rawsize"])] if t else b"")
        for entry in range(dbg_rva + 24, dbg_rva + dbg_size, 28):
            if s["vaddr"] <= entry < s["vaddr"] + len(a) and len(b) == len(a):
                a[entry - s["vaddr"]:entry - s["vaddr"] + 4] = b[entry - s["vaddr"]:entry - s["vaddr"] + 4] = bytes(4)
        expect(t is not None and t["vaddr"] == s["vaddr"] and a == b,
               "%s.debug: section %s differs from the shipped image's" % (name, s["name"]))
    # Compacted headers, read against the stripped link they were made from: the DOS header
    # alone, every other header field as linked but for the sizes, the used data directories
    # only, sections and the debug entries' data where the smaller headers moved them.
    st = open(os.path.join(build, "CMakeFiles", name + ".stripped"), "rb").read()
    at, ps, count = struct.unpack_from("<I", st, 0x3C)[0], PeImage(st), len(pe.directories)
    old_end, new_end = struct.unpack_from("<I", st, at + 84)[0], struct.unpack_from("<I", efi, 0x58 + 60)[0]
    rows = 0x58 + 112 + 8 * count
    expect(efi[:0x40] == b"MZ" + bytes(0x3A) + b"\x40\0\0\0" and efi[0x40:0x54] == st[at:at + 20]
           and struct.unpack_from("<H", efi, 0x54)[0] == 112 + 8 * count and efi[0x56:0x58] == st[at + 22:at + 24]
           and efi[0x58:0x58 + 60] == st[at + 24:at + 84] and efi[0x58 + 64:0x58 + 108] == st[at + 88:at + 132],
           "%s.efi: a header field other than the compacted sizes differs from the link's" % name)
    expect(count == 7 and list(pe.directories.values()) == list(ps.directories.values())[:7]
           and all(v == (0, 0) for v in list(ps.directories.values())[7:]),
           "%s.efi: data directories %r, want the link's first 7 (through the debug directory)" % (name, pe.directories))
    body, linked = bytearray(efi[new_end:]), bytearray(st[old_end:])
    for entry in range(pe.file_offset(dbg_rva) - new_end + 24, pe.file_offset(dbg_rva) - new_end + dbg_size, 28):
        body[entry:entry + 4] = linked[entry:entry + 4] = bytes(4)
    expect(new_end == -(-(rows + 40 * len(pe.sections)) // 32) * 32 and body == linked,
           "%s.efi: SizeOfHeaders %d is not its headers rounded up to 32, or the data after them changed" % (name, new_end))
    expect([dict(x, rawptr=x["rawptr"] + old_end - new_end) for x in pe.sections] == ps.sections,
           "%s.efi: section table differs from the link's but for the moved file offsets" % name)
    for entry in range(pe.file_offset(dbg_rva), pe.file_offset(dbg_rva) + dbg_size, 28):
        expect(struct.unpack_from("<I", efi, entry + 24)[0] == pe.file_offset(struct.unpack_from("<I", efi, entry + 20)[0]),
               "%s.efi: a debug entry's file offset does not point at its data" % name)


def check_refusal(fwpack, build):
    """One bad input per refusal; each leaves nothing but the input behind."""
    linked = open(os.path.join(build, "CMakeFiles", "SocDxeM70.stripped"), "rb").read()
    at = struct.unpack_from("<I", linked, 0x3C)[0]

    def planted(offset, value):  # the link with one field changed
        return linked[:offset] + value + linked[offset + len(value):]

    with tempfile.TemporaryDirectory() as work:
        bogus, header = os.path.join(work, "bogus.efi"), os.path.join(work, "g.h")
        open(header, "w").write("EFI_GUID gSocDxeM70FileGuid = {0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 0}};\n")
        macro = os.path.join(work, "m.cpp")
        open(macro, "w").write("EFI_GUID gHeapHobGuid = HEAP_HOB_GUID;\n")
        out = os.path.join(work, "out.inf")
        compact = ["compact", "--out", out, bogus]
        for args, reason, image in [
                (["module", "--image", bogus, "--name", "SocDxeM70", "--guids", bogus, "--out-dir", work],
                 "not a PE image", None),
                (["module", "--image", bogus, "--name", "SocDxeM70", "--guids", bogus, "--out-dir", work],
                 "subsystem 10, not 11", planted(at + 24 + 68, struct.pack("<H", 10))),
                (["source", "--name", "SocDxeM70", "--guids", header, "--root", work, "--out", out, header],
                 "no definition of gProcessorClassProtocolGuid", None),
                (["source", "--name", "SocDxeM70", "--guids", header, "--root", os.path.join(work, "pkg"),
                  "--out", out, header], "lies outside the package root", None),
                (["dec", "--guids", macro, "--out", out], "which no header given defines", None),
                (compact, "has a certificate table", planted(at + 24 + 112 + 32, struct.pack("<II", 0x100, 8))),
                (compact, "has a COFF symbol table", planted(at + 12, b"\1")),
                (compact, "a section's data lies inside the headers", planted(at + 24 + 240 + 20, struct.pack("<I", 0x40))),
                (compact, "optional header or section table out of place", planted(at + 20, b"\xf8"))]:
            open(bogus, "wb").write(image or b"MZ" + b"\0" * 200)
            run = subprocess.run([sys.executable, fwpack] + args, capture_output=True, text=True)
            expect(run.returncode != 0 and reason in run.stderr and sorted(os.listdir(work)) == ["bogus.efi", "g.h", "m.cpp"],
                   "packager accepted %s or left files: %r %r" % (reason, run.stderr, os.listdir(work)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--uefiextract", required=True)
    parser.add_argument("--fwpack", required=True)
    parser.add_argument("build")
    args = parser.parse_args()
    check_volume(args.uefiextract, args.build)
    dec = parse_ini(open(os.path.join(args.build, "SocDxePkg.dec")).read())
    declared = {}
    for section in ("Protocols", "Guids"):
        for entry, _ in dec.get(section, {"entries": []})["entries"]:
            cname, _, value = entry.partition("=")
            parts = [int(x, 16) for x in re.findall(r"0x[0-9A-Fa-f]+", value)]
            if len(parts) == 11:
                raw = parts[0].to_bytes(4, "little") + parts[1].to_bytes(2, "little") + parts[2].to_bytes(2, "little") + bytes(parts[3:])
                declared[cname.strip()] = str(uuid.UUID(bytes_le=raw)).upper()
    for cname, value in DECLARED.items():
        expect(declared.get(cname) == value, "SocDxePkg.dec: %s = %r, want %s" % (cname, declared.get(cname), value))
    for name, (guid, presence) in DELIVERABLES.items():
        check_module(args.build, name, guid, presence, declared)
    check_refusal(args.fwpack, args.build)
    for p in problems:
        print("FAIL " + p)
    print("%d passed, %d failed" % (0 if problems else 1, 1 if problems else 0))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
