#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The source package as another module of a platform meets it, compile-only: every public
header with MdePkg's types, alone, under gcc and clang as C11 and C++17 (-pedantic-errors)
and gnu99; a small C consumer of the class protocol; a header whose layout differs from
the drivers' refused at compile time; no header path of ours equal, ignoring case, to one
of MdePkg's or MdeModulePkg's; a driver source compiled as EDK2 compiles it, and refused,
with one line, against an MdePkg whose values differ from UEFI 2.10 and PI 1.8 or without
AutoGen.h, or by a compiler older than the oldest supported; and the package rules of EDK2's CI (the licence lines, unique GUIDs, every INF in the DSC, every
GUID an INF names declared in a package it lists).
Usage: check_source_package.py --edk2 EDK2_TREE PACKAGE_ROOT"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

problems = []

MODES = [("gcc", "c", ["-std=c11", "-pedantic-errors"]), ("clang", "c", ["-std=c11", "-pedantic-errors"]),
         ("g++", "c++", ["-std=c++17", "-pedantic-errors"]), ("clang++", "c++", ["-std=c++17", "-pedantic-errors"]),
         ("gcc", "c", ["-std=gnu99", "-pedantic-errors"]), ("clang", "c", ["-std=gnu99", "-pedantic-errors"])]

CONSUMER = """#include <Uefi.h>
#include <Protocol/ProcessorClass.h>

EFI_STATUS EFIAPI ConsumerEntry (EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  PROCESSOR_CLASS_PROTOCOL *Class; PROCESSOR_CLASS_ID Id; (VOID)ImageHandle;
  if (SystemTable->BootServices->LocateProtocol (&gProcessorClassProtocolGuid, NULL, (VOID **)&Class) != EFI_SUCCESS) return EFI_NOT_FOUND;
  return Class->GetClassOfThisCore (Class, &Id);
}
"""
# What a C module reads of a migrated buffer: the node's Data member.
C_CONSUMER = CONSUMER.replace("#include <Protocol/ProcessorClass.h>\n", "#include <Protocol/ProcessorClass.h>\n"
                              "#include <Protocol/HeapList.h>\n") + """
UINT8 FirstByte (HEAP_NODE *Node) { return Node->Header.DataSize != 0 ? Node->Data[0] : 0; }
typedef char DataAt32[OFFSET_OF (HEAP_NODE, Data) == 32 ? 1 : -1];
"""


def expect(ok, text):
    if not ok:
        problems.append(text)
    return ok


def compile_unit(compiler, language, flags, source, includes, work, extra=()):
    path = os.path.join(work, "unit." + ("c" if language == "c" else "cpp"))
    with open(path, "w") as f:
        f.write(source)
    command = [compiler, "-x", language, *flags, "-Wall", "-Wextra", "-Werror", "-fshort-wchar", "-fsyntax-only",
               *extra, *[a for d in includes for a in ("-I", d)], path]
    return subprocess.run(command, capture_output=True, text=True)


def check_headers(root, mde, work):
    system = [a for d in (os.path.join(mde, "Include"), os.path.join(mde, "Include", "X64")) for a in ("-isystem", d)]
    include = os.path.join(root, "include")
    headers = sorted(os.path.relpath(p, include) for p in glob.glob(os.path.join(include, "*", "*.h")))
    expect(len(headers) >= 9, "public headers: found only %r" % headers)
    for compiler, language, flags in MODES:
        mode = "%s %s" % (compiler, flags[0])
        for header in headers:
            run = compile_unit(compiler, language, flags + system, "#include <Uefi.h>\n#include <%s>\n" % header,
                               [include], work)
            expect(run.returncode == 0, "%s alone, %s: %s" % (header, mode, run.stderr.strip()[:400]))
        run = compile_unit(compiler, language, flags + system, C_CONSUMER if language == "c" else CONSUMER,
                           [include], work)
        expect(run.returncode == 0, "the consumer, %s: %s" % (mode, run.stderr.strip()[:400]))
    # A consumer's copy whose RevisionClass is wider than the drivers' must not compile.
    bad = os.path.join(work, "bad", "Protocol")
    os.makedirs(bad)
    text = open(os.path.join(include, "Protocol", "ProcessorClass.h")).read()
    open(os.path.join(bad, "ProcessorClass.h"), "w").write(text.replace("UINT16    RevisionClass;", "UINT32    RevisionClass;"))
    run = compile_unit("gcc", "c", ["-std=c11"] + system, CONSUMER, [os.path.dirname(bad), include], work)
    expect(run.returncode != 0 and "RevisionClass is at byte 4, 2 bytes wide" in run.stderr,
           "a consumer with a 4-byte RevisionClass compiled: %s" % run.stderr.strip()[:300])


def lowered(folder, skip=()):
    """Every header under folder, relative and lower-cased; symbolic links not followed."""
    found = set()
    for at, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if os.path.relpath(os.path.join(at, d), folder) not in skip]
        found |= {os.path.relpath(os.path.join(at, f), folder).replace(os.sep, "/").lower() for f in files
                  if f.endswith(".h")}
    return found


def check_paths(root, edk2):
    """What a case-insensitive lookup could mix up: a header of ours under any include
    folder EDK2 puts on the path (the package folder and its Include, Include/X64)."""
    ours = set()
    for top in (root, os.path.join(root, "include")):
        ours |= lowered(top, (".git", "build", "tests", "testing", "bench"))
    for package in ("MdePkg", "MdeModulePkg"):
        folder = os.path.join(edk2, package)
        for top in (folder, os.path.join(folder, "Include"), os.path.join(folder, "Include", "X64")):
            same = sorted(ours & lowered(top))
            expect(not same, "header paths equal to %s's ignoring case: %s" % (os.path.relpath(top, edk2), same))


def check_edk2_compile(root, mde, work):
    """A driver source as EDK2 compiles it: C++ through the C rule, AutoGen.h forced in."""
    autogen = os.path.join(work, "AutoGen.h")
    open(autogen, "w").write('#include <PiDxe.h>\n#define EFI_CALLER_ID_GUID {0x31B09955, 0x39F3, 0x4E8E, '
                             '{0x96, 0x04, 0xE6, 0xB0, 0x57, 0xC6, 0x61, 0xC9}}\n#ifdef __cplusplus\nextern "C"\n'
                             '#endif\nEFI_GUID gEfiHobListGuid, gPcdProtocolGuid;\n')
    source = open(os.path.join(root, "framework", "Helpers.cpp")).read()
    system = ["-isystem", os.path.join(mde, "Include"), "-isystem", os.path.join(mde, "Include", "X64")]
    flags = ["-ffreestanding", "-mno-red-zone", "-Wno-unused-parameter"]
    for forced, planted, want in [
            (autogen, None, None),
            ("PiDxe.h", None, "an EDK2 build (AutoGen.h) needs MdePkg's X64 types, and MdePkg's types need AutoGen.h"),
            (autogen, ("EVT_NOTIFY_SIGNAL", "0x00000201"), "EVT_NOTIFY_SIGNAL is 0x00000200")]:
        extra = flags + ["-include", forced]
        if planted:
            # An MdePkg of another value: UefiSpec.h changed in a copy that comes first.
            macro, value = planted
            text = open(os.path.join(mde, "Include", "Uefi", "UefiSpec.h")).read()
            text, found = re.subn(r"(#define\s+%s\s+)\S+" % macro, r"\g<1>" + value, text)
            expect(found == 1, "MdePkg's UefiSpec.h defines %s %d times" % (macro, found))
            os.makedirs(os.path.join(work, "overlay", "Uefi"), exist_ok=True)
            open(os.path.join(work, "overlay", "Uefi", "UefiSpec.h"), "w").write(text)
            extra = ["-isystem", os.path.join(work, "overlay")] + extra
        run = compile_unit("g++", "c++", extra + system, source, [root, os.path.join(root, "include")], work)
        errors = [line for line in run.stderr.splitlines() if ": error:" in line]
        if want is None:
            expect(run.returncode == 0, "Helpers.cpp as EDK2 compiles it: %s" % run.stderr.strip()[:400])
        else:
            # The value check's one line; without AutoGen.h, ours must at least come first.
            expect(run.returncode != 0 and errors and want in errors[0] and (len(errors) == 1 or not planted),
                   "Helpers.cpp with %s: want one error naming %r, got %r" % (planted or "no AutoGen.h", want, errors))
        shutil.rmtree(os.path.join(work, "overlay"), ignore_errors=True)


def check_compiler_floor(root, work):
    """A compiler below the oldest ones the drivers are built with stops at one #error."""
    for compiler, faked, want in [("g++", ["-U__GNUC__", "-D__GNUC__=10"], "needs gcc 11 or later"),
                                  ("clang++", ["-U__clang_major__", "-D__clang_major__=12"], "needs clang 13 or later")]:
        run = compile_unit(compiler, "c++", faked + ["-Wno-builtin-macro-redefined"], '#include "efi/Uefi.h"\n', [root],
                           work)
        errors = [line for line in run.stderr.splitlines() if ": error:" in line]
        expect(len(errors) == 1 and want in errors[0], "%s as an older version: %r" % (compiler, errors))


def sections(path):
    """[Section] -> entries (text before any comment), for DEC, DSC and INF files."""
    found, current = {}, None
    for raw in open(path):
        line = raw.split("#", 1)[0].strip()
        m = re.match(r"^\[([^\]]+)\]$", line)
        if m:
            current = [found.setdefault(s.strip(), []) for s in m.group(1).split(",")]
        elif line and current is not None:
            for entries in current:
                entries.append(line)
    return found


def declared(dec):
    names = {}
    for section, entries in sections(dec).items():
        if section.split(".")[0] in ("Guids", "Protocols", "Ppis"):
            for entry in entries:
                cname, _, value = entry.partition("=")
                names[cname.strip()] = re.sub(r"\s", "", value).lower()
    return names


def check_rules(root, edk2):
    decs = {"SocDxePkg/SocDxePkg.dec": os.path.join(root, "SocDxePkg.dec"),
            "MdePkg/MdePkg.dec": os.path.join(edk2, "MdePkg", "MdePkg.dec"),
            "MdeModulePkg/MdeModulePkg.dec": os.path.join(edk2, "MdeModulePkg", "MdeModulePkg.dec")}
    names = {package: declared(path) for package, path in decs.items()}
    seen = {}
    for package, guids in names.items():
        for cname, value in guids.items():
            if value in seen and seen[value] != cname:
                expect(package != "SocDxePkg/SocDxePkg.dec" and "SocDxePkg" not in seen[value],
                       "GUID %s is both %s and %s" % (value, seen[value], cname))
            seen.setdefault(value, cname)
    ours = set(names["SocDxePkg/SocDxePkg.dec"])
    for package in ("MdePkg/MdePkg.dec", "MdeModulePkg/MdeModulePkg.dec"):
        expect(not ours & set(names[package]), "C names also declared in %s: %s" % (package, ours & set(names[package])))
    components = {e.split()[0] for e in sections(os.path.join(root, "SocDxePkg.dsc")).get("Components", [])}
    for inf in sorted(glob.glob(os.path.join(root, "*.inf"))):
        name = "SocDxePkg/" + os.path.basename(inf)
        expect(name in components, "%s is not in SocDxePkg.dsc's [Components]" % name)
        found = sections(inf)
        packages = found.get("Packages", [])
        known = set().union(*(names.get(p, {}).keys() for p in packages))
        for section, entries in found.items():
            if section.split(".")[0] in ("Guids", "Protocols", "Ppis"):
                for entry in entries:
                    expect(entry.split()[0] in known, "%s: %s is declared in none of %s" % (name, entry, packages))
        for depex in found.get("Depex", []):
            for token in re.findall(r"g\w+", depex):
                expect(token in known, "%s: depex %s is declared in none of %s" % (name, token, packages))


MDEPKG_CLANG = {"__builtin_offsetof", "__builtin_ms_va_list", "__builtin_ms_va_start", "__builtin_ms_va_end",
                "__builtin_va_arg"}
GNU_ONLY = re.compile(r"\b(__attribute__|__builtin_\w+|__asm__|asm\s*(volatile\s*)?\(|__constinit|__typeof__|"
                      r"__extension__)")


def check_msvc_path(root, mde, work):
    """Each driver source the INFs list, preprocessed as Visual Studio's family compiles it:
    as cl.exe sees it (no __clang__, so MdePkg's MSVC branches too), and as clang-cl does
    with the INFs' MSFT options. No line of ours may reach a GNU extension; under clang-cl,
    but for the builtins MdePkg's own macros expand to there (OFFSET_OF, VA_LIST)."""
    autogen = os.path.join(work, "AutoGen.h")  # check_edk2_compile's
    for inf, variant in (("SocDxeM70.inf", "m70"), ("SocDxeM60.inf", "m60")):
        sources = [e.split("|")[0].strip() for e in sections(os.path.join(root, inf)).get("Sources", [])
                   if e.split("|")[0].strip().endswith(".cpp")]
        expect(len(sources) > 10, "%s lists %d C++ sources" % (inf, len(sources)))
        for source in sources:
            for mode in (["-U__clang__", "-Wno-builtin-macro-redefined"], ["/D", "SOC_MSFT"]):
                run = subprocess.run(["clang-cl-14", "/E", "--target=x86_64-pc-windows-msvc",
                                      "-fms-compatibility-version=19.30", "/FI" + autogen] + mode +
                                     [a for d in (root, os.path.join(root, "include"), os.path.join(root, "variants", variant),
                                                  os.path.join(mde, "Include"), os.path.join(mde, "Include", "X64"))
                                      for a in ("/I", d)] + ["--", os.path.join(root, source)], capture_output=True, text=True)
                if not expect(run.returncode == 0, "%s, %s: %s" % (source, mode[0], run.stderr.strip()[:300])):
                    continue
                ours = False
                for line in run.stdout.splitlines():
                    marker = re.match(r'#\s*(?:line\s+)?\d+\s+"([^"]+)"', line)
                    if marker:
                        ours = os.path.abspath(marker.group(1).replace("\\\\", "/")).startswith(os.path.abspath(root))
                        continue
                    found = [m.group(0) for m in GNU_ONLY.finditer(line) if ours and
                             (mode[0] != "/D" or m.group(0) not in MDEPKG_CLANG)]
                    if found:
                        expect(False, "%s, %s: a GNU extension on the Visual Studio path: %s" % (source, mode[0],
                                                                                               line.strip()[:200]))
                        break


CODE = (".c", ".cpp", ".h", ".py", ".sh", ".cmake", ".inf", ".dec", ".dsc", ".nasm", "CMakeLists.txt")
LICENCE = ("SPDX-License-Identifier: BSD-2-Clause-Patent", "Copyright (c) 2026, SocDxePkg contributors.")


def check_licence(root):
    """EDK2 CI's licence rule, on every file of ours with code in it (scripts included): the
    SPDX line and the copyright line in its opening comment (its first 40 lines)."""
    listed = subprocess.run(["git", "-C", root, "ls-files"], capture_output=True, text=True)
    files = listed.stdout.split() if listed.returncode == 0 else [
        os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names
        if not os.path.relpath(d, root).split(os.sep)[0] in ("build", ".git")]
    for name in files:
        with open(os.path.join(root, name), "rb") as f:
            head = f.read(4000)
        if name.endswith(CODE) or head.startswith(b"#!"):
            first = b"\n".join(head.split(b"\n")[:40]).decode(errors="replace")
            expect(all(line in first for line in LICENCE), "%s: no %s in its first lines" % (name, " / ".join(LICENCE)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--edk2", required=True)
    parser.add_argument("root")
    args = parser.parse_args()
    mde = os.path.join(args.edk2, "MdePkg")
    if not os.path.isfile(os.path.join(mde, "Include", "Uefi.h")):
        print("check_source_package: no MdePkg in %s (tools/strict-ovmf --where names the edk2 tree)" % args.edk2)
        return 2
    with tempfile.TemporaryDirectory() as work:
        check_headers(args.root, mde, work)
        check_edk2_compile(args.root, mde, work)
        check_msvc_path(args.root, mde, work)
        check_compiler_floor(args.root, work)
    check_paths(args.root, args.edk2)
    check_rules(args.root, args.edk2)
    check_licence(args.root)
    for p in problems:
        print("FAIL " + p)
    print("%s: %d problems" % ("PASS" if not problems else "FAIL", len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
