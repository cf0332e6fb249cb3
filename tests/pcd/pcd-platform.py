#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Builds, with EDK2's own build and GenFds, a small platform whose PCD databases give the
SocDxe drivers' thirteen tokens the numbers and types they read them as, and two variants
that do not; the drivers themselves go in through their binary INFs, as an integrator puts
them in. Cached: a later run rebuilds only what changed.

  pcd-platform.py --strict STRICT_OVMF_DIR --drivers FIRMWARE_BUILD
  pcd-platform.py --strict STRICT_OVMF_DIR --drivers KIT      the good platform alone, with
                  the binary kit of a release (an unpacked SocDxePkg/) as its SocDxePkg

Uses the edk2 tree that tools/strict-ovmf keeps and caches next to it: prints the folder
that holds for each variant a folder with its flash image (SOCPCDTEST.fd), the build's
PcdTokenNumber and GenFds' FFS files of the two drivers.

EDK2 numbers dynamic PCDs in order: the PEI phase's (used by a PEIM) first, then the DXE
phase's, each group sorted by token space and name, and it ends the PEI group with three
PCDs of its own PCD drivers. Every PCD here is PcdTnnnn of one token space, nnnn the number
it should get: 1 to 152 are used by a PEIM (150 and 152 land in the PEI database), EDK2's
three take 153 to 155, and 156 on are used by a DXE driver."""
import argparse
import hashlib
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from socdxe import edk2 as edk2ws  # noqa: E402

# Token -> (datum type, value). Every other token up to LAST is a UINT8 of 0, which EDK2
# leaves in the database's zero-filled tail (as it does 1181 and 1112 here).
OURS = {846: ("BOOLEAN", "TRUE"), 1180: ("BOOLEAN", "TRUE"), 1104: ("UINT8", "0x11"), 1179: ("UINT8", "0x79"),
        1185: ("UINT8", "0x85"), 1183: ("UINT8", "0x83"), 1184: ("UINT32", "0x11840084"),
        1181: ("BOOLEAN", "FALSE"), 1113: ("UINT32", "0x11130013"), 1112: ("UINT32", "0"), 1182: ("UINT8", "0x82"),
        150: ("UINT8", "0x0A"), 152: ("UINT8", "0x0B")}
LAST_PEI, FIRST_DXE, LAST = 152, 156, 1185
# Variant -> (tokens that differ, last token).
VARIANTS = {"good": ({}, LAST), "wrongtype": ({1184: ("UINT16", "0x1184")}, LAST), "missing": ({}, LAST - 1)}
SPACE = "gSocPcdTestTokenSpaceGuid"
SPACE_GUID = "{0x5e0f2a61, 0x0b9d, 0x4c1e, {0x9f, 0x3a, 0x27, 0x6d, 0x84, 0x1c, 0x55, 0xe2}}"
FV_ATTRIBUTES = "  FvAlignment = 16\n  ERASE_POLARITY = 1\n  MEMORY_MAPPED = TRUE\n"
DRIVER_FILES = [name + suffix for name in ("SocDxeM70", "SocDxeM60") for suffix in (".efi", ".depex", ".ui", ".debug", ".inf")]


def pcds(variant):
    changed, last = VARIANTS[variant]
    table = {**OURS, **changed}
    numbers = list(range(1, LAST_PEI + 1)) + list(range(FIRST_DXE, last + 1))
    return [(n, *table.get(n, ("UINT8", "0"))) for n in numbers]


def module(kind, name, tokens):
    """A module that only declares TOKENS to the build: its INF and its C source."""
    libraries = ["[LibraryClasses]", "  " + ("PeimEntryPoint" if kind == "PEIM" else "UefiDriverEntryPoint"), "",
                 "[Depex]", "  TRUE"]
    inf = edk2ws.module_inf(name, kind, "6E1F2B0C-3A8D-4F57-9C42-1D7B5E3A9F0%d" % (1 if kind == "PEIM" else 2),
                            ["MdePkg", "SocPcdTestPkg"], libraries, SPACE, tokens)
    header, parameters = {
        "PEIM": ("PiPei.h", "IN EFI_PEI_FILE_HANDLE FileHandle, IN CONST EFI_PEI_SERVICES **PeiServices"),
        "DXE_DRIVER": ("Uefi.h", "IN EFI_HANDLE ImageHandle, IN EFI_SYSTEM_TABLE *SystemTable")}[kind]
    source = edk2ws.C_HEADER + "#include <%s>\n\nEFI_STATUS EFIAPI %sEntry (%s)\n{\n  return EFI_SUCCESS;\n}\n"
    return inf, source % (header, name, parameters)


def package(variant):
    """Relative path -> text of the test package for one variant."""
    table = pcds(variant)
    dsc = edk2ws.HEADER + ["[Defines]", "  PLATFORM_NAME = SocPcdTest", "  PLATFORM_GUID = 4A6D2F83-1C5E-4B97-A0D2-8E3F6B1C7D59",
           "  PLATFORM_VERSION = 1.0", "  DSC_SPECIFICATION = 0x00010005", "  OUTPUT_DIRECTORY = Build/SocPcdTest",
           "  SUPPORTED_ARCHITECTURES = X64", "  BUILD_TARGETS = RELEASE", "  SKUID_IDENTIFIER = DEFAULT",
           "  FLASH_DEFINITION = SocPcdTestPkg/SocPcdTest.fdf", "",
           "!include MdePkg/MdeLibs.dsc.inc", "",
           "[LibraryClasses]",
           "  BaseLib|MdePkg/Library/BaseLib/BaseLib.inf",
           "  BaseMemoryLib|MdePkg/Library/BaseMemoryLib/BaseMemoryLib.inf",
           "  DebugLib|MdePkg/Library/BaseDebugLibNull/BaseDebugLibNull.inf",
           "  PcdLib|MdePkg/Library/BasePcdLibNull/BasePcdLibNull.inf",
           "  PrintLib|MdePkg/Library/BasePrintLib/BasePrintLib.inf",
           "  DevicePathLib|MdePkg/Library/UefiDevicePathLib/UefiDevicePathLib.inf",
           "  PeimEntryPoint|MdePkg/Library/PeimEntryPoint/PeimEntryPoint.inf",
           "  PeiServicesLib|MdePkg/Library/PeiServicesLib/PeiServicesLib.inf",
           "  PeiServicesTablePointerLib|MdePkg/Library/PeiServicesTablePointerLib/PeiServicesTablePointerLib.inf",
           "  UefiDriverEntryPoint|MdePkg/Library/UefiDriverEntryPoint/UefiDriverEntryPoint.inf",
           "  UefiBootServicesTableLib|MdePkg/Library/UefiBootServicesTableLib/UefiBootServicesTableLib.inf",
           "  UefiRuntimeServicesTableLib|MdePkg/Library/UefiRuntimeServicesTableLib/UefiRuntimeServicesTableLib.inf",
           "  UefiLib|MdePkg/Library/UefiLib/UefiLib.inf",
           "  DxeServicesLib|MdePkg/Library/DxeServicesLib/DxeServicesLib.inf", "",
           "[LibraryClasses.common.PEIM]",
           "  HobLib|MdePkg/Library/PeiHobLib/PeiHobLib.inf",
           "  MemoryAllocationLib|MdePkg/Library/PeiMemoryAllocationLib/PeiMemoryAllocationLib.inf", "",
           "[LibraryClasses.common.DXE_DRIVER]",
           "  HobLib|MdePkg/Library/DxeHobLib/DxeHobLib.inf",
           "  MemoryAllocationLib|MdePkg/Library/UefiMemoryAllocationLib/UefiMemoryAllocationLib.inf", "",
           "[PcdsDynamicDefault]"]
    dsc += ["  %s.PcdT%04d|%s" % (SPACE, n, value) for n, _, value in table]
    dsc += ["", "[Components]", "  MdeModulePkg/Universal/PCD/Pei/Pcd.inf", "  MdeModulePkg/Universal/PCD/Dxe/Pcd.inf",
            "  SocPcdTestPkg/PeiUser/PeiUser.inf", "  SocPcdTestPkg/DxeUser/DxeUser.inf",
            "  SocDxePkg/Binaries/SocDxeM70.inf", "  SocDxePkg/Binaries/SocDxeM60.inf", ""]
    # The PEI modules in a plain volume; the DXE ones in a volume image inside an LZMA
    # section, as OVMF and most platforms ship them. The drivers' rule is the README's, with
    # CHECKSUM.
    fdf = edk2ws.HEADER + ["[FD.SOCPCDTEST]", "  BaseAddress = 0xFFF00000", "  Size = 0x00100000", "  ErasePolarity = 1",
           "  BlockSize = 0x1000", "  NumBlocks = 0x100", "", "0x00000000|0x00100000", "FV = FVMAIN", "",
           "[FV.FVMAIN]", FV_ATTRIBUTES, "  INF MdeModulePkg/Universal/PCD/Pei/Pcd.inf",
           "  INF SocPcdTestPkg/PeiUser/PeiUser.inf",
           "  FILE FV_IMAGE = 3F6A2C1D-5B84-4E97-8D20-7C1E9B5A4F36 {",
           "    SECTION GUIDED EE4E5898-3914-4259-9D6E-DC7BD79403CF PROCESSING_REQUIRED = TRUE {",
           "      SECTION FV_IMAGE = DXEFV", "    }", "  }", "",
           "[FV.DXEFV]", FV_ATTRIBUTES, "  INF MdeModulePkg/Universal/PCD/Dxe/Pcd.inf",
           "  INF SocPcdTestPkg/DxeUser/DxeUser.inf",
           "  INF RuleOverride = BINARY SocDxePkg/Binaries/SocDxeM70.inf",
           "  INF RuleOverride = BINARY SocDxePkg/Binaries/SocDxeM60.inf", "",
           "[Rule.Common.PEIM]", "  FILE PEIM = $(NAMED_GUID) {",
           "    PEI_DEPEX PEI_DEPEX Optional $(INF_OUTPUT)/$(MODULE_NAME).depex",
           "    PE32      PE32                $(INF_OUTPUT)/$(MODULE_NAME).efi",
           "    UI        STRING=\"$(MODULE_NAME)\" Optional", "  }", "",
           "[Rule.Common.DXE_DRIVER]", "  FILE DRIVER = $(NAMED_GUID) {",
           "    DXE_DEPEX DXE_DEPEX Optional $(INF_OUTPUT)/$(MODULE_NAME).depex",
           "    PE32      PE32                $(INF_OUTPUT)/$(MODULE_NAME).efi",
           "    UI        STRING=\"$(MODULE_NAME)\" Optional", "  }", "",
           "[Rule.Common.DXE_DRIVER.BINARY]", "  FILE DRIVER = $(NAMED_GUID) CHECKSUM {",
           "    DXE_DEPEX  DXE_DEPEX Optional  |.depex", "    PE32       PE32                |.efi",
           "    UI         STRING=\"$(MODULE_NAME)\" Optional",
           "    VERSION    STRING=\"$(INF_VERSION)\" Optional BUILD_NUM=$(BUILD_NUMBER)", "  }", ""]
    dec = edk2ws.pcd_package_dec("SocPcdTestPkg", "2B8C4E1A-7D35-4F60-8E19-C3A5D6F70B42", SPACE, SPACE_GUID,
                                 [(n, t) for n, t, _ in table])
    files = {"SocPcdTestPkg/SocPcdTestPkg.dec": dec, "SocPcdTestPkg/SocPcdTest.dsc": "\n".join(dsc),
             "SocPcdTestPkg/SocPcdTest.fdf": "\n".join(fdf)}
    for kind, name, tokens in [("PEIM", "PeiUser", range(1, LAST_PEI + 1)),
                               ("DXE_DRIVER", "DxeUser", range(FIRST_DXE, table[-1][0] + 1))]:
        inf, source = module(kind, name, tokens)
        files["SocPcdTestPkg/%s/%s.inf" % (name, name)] = inf
        files["SocPcdTestPkg/%s/%s.c" % (name, name)] = source
    return files


def build(strict, drivers):
    edk2, cache = os.path.join(strict, "edk2"), os.path.dirname(strict)
    version = open(os.path.join(strict, "flags")).readline().strip()
    key = hashlib.sha256((version + open(__file__).read() + open(edk2ws.__file__).read()).encode()).hexdigest()[:12]
    # A release's kit is the package as it comes, every file of it; a firmware build gives
    # the drivers' files and the DEC.
    kit = os.path.isdir(os.path.join(drivers, "Binaries"))
    given = sorted(os.path.relpath(os.path.join(d, f), drivers) for d, _, names in os.walk(drivers) for f in names) \
        if kit else [os.path.join("Binaries", f) for f in DRIVER_FILES] + ["SocDxePkg.dec"]
    source = (lambda path: os.path.join(drivers, path)) if kit else \
        (lambda path: os.path.join(drivers, os.path.basename(path)))
    stamp = hashlib.sha256(b"".join(p.encode() + open(source(p), "rb").read() for p in given)).hexdigest()
    with edk2ws.slot(cache, "pcd-kit" if kit else "pcd-platform", key) as top:
        if edk2ws.built_from(top) == stamp:
            return top
        for variant in ["good"] if kit else VARIANTS:
            work = os.path.join(top, "workspace-" + variant)
            shutil.rmtree(os.path.join(work, "SocDxePkg"), ignore_errors=True)
            for path, text in package(variant).items():
                edk2ws.write_if_changed(os.path.join(work, path), text)
            for path in given:
                edk2ws.write_if_changed(os.path.join(work, "SocDxePkg", path), open(source(path), "rb").read())
            log = os.path.join(top, "build-%s.log" % variant)
            if not edk2ws.build(work, edk2, ["-a", "X64", "-t", "GCC5", "-b", "RELEASE", "-p", "SocPcdTestPkg/SocPcdTest.dsc"],
                                log, [edk2]):
                sys.exit("platform.py: EDK2's build of the %s platform failed; see %s" % (variant, log))
            built = os.path.join(work, "Build", "SocPcdTest", "RELEASE_GCC5")
            result = os.path.join(top, variant)
            os.makedirs(result, exist_ok=True)
            shutil.copyfile(os.path.join(built, "FV", "SOCPCDTEST.fd"), os.path.join(result, "SOCPCDTEST.fd"))
            shutil.copyfile(os.path.join(built, "PcdTokenNumber"), os.path.join(result, "PcdTokenNumber"))
            for root, _, names in os.walk(os.path.join(built, "FV", "Ffs")):
                for name in names:
                    if name.endswith(".ffs") and ("SocDxeM70" in root or "SocDxeM60" in root):
                        shutil.copyfile(os.path.join(root, name), os.path.join(result, os.path.basename(root) + ".ffs"))
        edk2ws.mark_built(top, stamp)
    return top


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--strict", required=True, help="the folder tools/strict-ovmf prints")
    parser.add_argument("--drivers", required=True, help="the firmware build folder, or a release's unpacked kit")
    args = parser.parse_args()
    print(build(os.path.abspath(args.strict), os.path.abspath(args.drivers)))


if __name__ == "__main__":
    main()
