#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Every QEMU scenario, the image sets and the firmwares they run on, in one table.

CMake makes the test list from it (scenarios.py cmake prints one line per test); the
runner (run-qemu.py --scenario NAME) takes a scenario's processor, rounds and checks from
it, and hands the rounds to the test application as one binary record (fw_cfg file
opt/soc/scenario, laid out as SCENARIO_RECORD in Harness.h).

  scenarios.py cmake [--have FIRMWARE...]   NAME SET FIRMWARE TIMEOUT per line; refuses a
                                             table entry naming a firmware not in --have
  scenarios.py edk2-sets                     the image sets tools/edk2-build makes, one a line
"""
import enum
import importlib.machinery
import importlib.util
import os
import struct
import sys
from dataclasses import dataclass, field

# What run-qemu.py can boot: Debian's RELEASE OVMF, the strict DEBUG one (tools/strict-ovmf),
# Debian 13's strict-NX 2025.02 (tools/edk2-build), Debian unstable's strict-NX, the newest
# (tools/newest-ovmf), and the reference platform.
FIRMWARES = ("release", "strict", "debian13", "unstable", "platform")
VARIANTS = ("m70", "m60")  # the application's variant numbers are 1 and 2, in this order


class Start(enum.IntEnum):
    """How a round's images get started (START_MODE in Harness.h)."""
    LOAD = 0           # LoadImage/StartImage, in the round's order
    DISPATCH = 1       # from SocDxe.fv through the firmware's DXE dispatcher
    DISPATCH_HELD = 2  # the same, after a first Dispatch() with both PCD protocols hidden
    OBSERVE = 3        # nothing started: the platform dispatched the drivers from its flash


class Pcd(enum.IntEnum):
    """The PCD protocols a round leaves the drivers (PCD_MODE in Harness.h)."""
    OURS = 0        # the application's PCD_PROTOCOL; the firmware's EFI_PCD_PROTOCOL
    HIDDEN = 1      # no PCD_PROTOCOL
    EFI_HIDDEN = 2  # no EFI_PCD_PROTOCOL
    FIRMWARE = 4    # as the firmware left them


FAIL_HEAP_INSTALL, FAIL_PRESENCE, HEAP_HOBS = 1, 2, 4


@dataclass(frozen=True)
class Round:
    order: tuple = ("m70", "m60")
    start: Start = Start.LOAD
    pcd: Pcd = None  # OURS, or FIRMWARE when observing
    fail_heap_install: bool = False  # the first HEAP_LIST_PROTOCOL install fails
    fail_presence: bool = False      # the served image's last presence GUID is planted first
    heap_hobs: bool = False          # "HEAP" HOBs in a HOB list of the application's

    def __str__(self):
        what = [self.start.name.lower().replace("_", "-")] if self.start != Start.LOAD else []
        what += ["pcd=" + self.pcd.name.lower().replace("_", "-")] if self.pcd is not None else []
        what += [n.replace("_", "-") for n in ("fail_heap_install", "fail_presence", "heap_hobs") if getattr(self, n)]
        return ",".join(self.order) + "".join(" " + w for w in what)

    def record(self):
        pcd = self.pcd if self.pcd is not None else Pcd.FIRMWARE if self.start == Start.OBSERVE else Pcd.OURS
        flags = (FAIL_HEAP_INSTALL * self.fail_heap_install) | (FAIL_PRESENCE * self.fail_presence) | \
            (HEAP_HOBS * self.heap_hobs)
        images = [VARIANTS.index(name) + 1 for name in self.order] + [0] * (4 - len(self.order))
        return struct.pack("<4BBBBx", *images, self.start, pcd, flags)


@dataclass(frozen=True)
class Scenario:
    cpu: str                          # FAMILY/MODEL/STEPPING, hex
    rounds: tuple = (Round(), Round(("m60", "m70")))
    trap: int = None                  # the code of the error trap that must end the boot
    hook_version: int = None          # the images' "$IDS" hook table patched to this Version
    sets: dict = None                 # image set -> firmwares; None: every set on its firmwares
    gdb: str = None                   # attach script name: a batch gdb session is judged too
    log_lines: tuple = ()             # patterns the firmware's debug log must hold
    timeout: int = 40


def _edk2_build():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "edk2-build")
    loader = importlib.machinery.SourceFileLoader("edk2_build", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("edk2_build", loader))
    loader.exec_module(module)
    return module


# Image sets: ours on every firmware, and a set of each toolchain family EDK2's own build
# made (GCC, CLANGPDB, CLANGDWARF, and MSFT as clang-cl builds it) on one of them. Whatever
# runs on Debian 13's OVMF runs on the newest too.
IMAGE_SETS = {
    "ours": ("release", "strict", "debian13", "unstable"),
    "2022.11-gcc5-release": ("release",),
    "2022.11-clangpdb-debug": ("strict",),
    "2025.02-gcc-release": ("debian13", "unstable"),
    "2025.02-clangdwarf-debug": ("release",),
    "2025.02-clangclvs2022-debug": ("release",),
}
_BUILD = _edk2_build()
EDK2_SETS = ["%s-%s-%s" % (r, t.lower(), k.lower()) for r, tags in _BUILD.TAGS.items() for t in tags
             for k in _BUILD.TARGETS]

FAIL_PRESENCE_SECOND = (Round(), Round(("m60", "m70"), fail_presence=True))
PLATFORM_LOG = (
    r"SocRefInterruptTables: installed \(Success\). I/O APIC 0xFEC00000 id 0x0000002C, 0xFEC01000 id 0x0000002D. "
    r"routing 24:2C 55:2C [|] 24:2D 55:2D",
    r"\[DriverMain\] InstallProtocolInterface: module presence GUID, Status: Invalid Parameter")
OBSERVE = (Round(start=Start.OBSERVE, fail_presence=True),)

# What each scenario shows: tests/uefi/README.md.
SCENARIOS = {
    "family19h_model75h_stepping2": Scenario("19/75/2", FAIL_PRESENCE_SECOND),
    "family19h_model61h_stepping2": Scenario("19/61/2", FAIL_PRESENCE_SECOND),
    "family19h_model70h_stepping0": Scenario("19/70/0"),
    "family17h_model71h_stepping0": Scenario("17/71/0"),
    "pcd_hidden": Scenario("19/75/2", (Round(pcd=Pcd.HIDDEN, fail_heap_install=True),
                                       Round(("m60", "m70"), pcd=Pcd.EFI_HIDDEN, fail_heap_install=True))),
    "trap_armed": Scenario("19/75/2", (Round(fail_heap_install=True),), trap=0x00080225),
    "hook_table_patched": Scenario("19/75/2", (Round(("m70",)),), trap=0x20910056, hook_version=2,
                                   sets={"ours": ("release",), "2025.02-gcc-release": ("debian13", "unstable")}),
    "heap_hobs": Scenario("19/61/2", (Round(heap_hobs=True), Round(("m60", "m70"), heap_hobs=True))),
    "dispatcher": Scenario("19/75/2", (Round(start=Start.DISPATCH),)),
    "dispatcher_held": Scenario("19/61/2", (Round(start=Start.DISPATCH_HELD),)),
    "gdb_session": Scenario("19/75/2", (Round(),), sets={"ours": ("strict",)}, gdb="gdb-session.gdb"),
    "family19_75_2": Scenario("19/75/2", OBSERVE, sets={"ours": ("platform",)}, timeout=60, log_lines=PLATFORM_LOG + (
        r"Loading driver at 0x[0-9A-F]+ EntryPoint=0x[0-9A-F]+ +SocRefConsumer.efi",
        r"SocRefConsumer: GetClassOfThisCore Success 00002000/0080",
        r"SocRefRegisterAccess: register 0x0005d8f4 reads 0x9e3779b9",
        r"SocRefRegisterAccess: register 0x0005d528 reads 0x12346bc0",
        r"SocRefConsumer: GetInfoByte Success 0xdc, GetUnitInfo Success mask 1 field 0xd7 width 8 flag 1")),
    "family19_61_2": Scenario("19/61/2", OBSERVE, sets={"ours": ("platform",)}, timeout=60, log_lines=PLATFORM_LOG + (
        r"Driver 6A1E2F3B-7C4D-4E5F-8A9B-0C1D2E3F4A5B was discovered but not loaded",)),
    "gdb_in_platform": Scenario("19/75/2", (Round(start=Start.OBSERVE),), sets={"ours": ("platform",)},
                                gdb="gdb-platform.gdb", timeout=60),
}


def record(rounds, signature=0, report=False, debug=False):
    """The application's SCENARIO_RECORD for these rounds; ValueError for what it cannot hold."""
    if not 1 <= len(rounds) <= 4:
        raise ValueError("a boot has 1 to 4 rounds, not %d" % len(rounds))
    for r in rounds:
        if not 1 <= len(r.order) <= 4 or any(v not in VARIANTS for v in r.order):
            raise ValueError("round order %s; a round starts 1 to 4 of %s" % (",".join(r.order), ", ".join(VARIANTS)))
    body = b"".join(r.record() for r in rounds) + bytes(8 * (4 - len(rounds)))
    return struct.pack("<4sIBBBx", b"SCN1", signature, len(rounds), report, debug) + body


def tests(have=FIRMWARES):
    """(test name, scenario, image set, firmware) of every test, in table order."""
    found = []
    for name, scenario in SCENARIOS.items():
        try:
            record(scenario.rounds)
        except ValueError as error:
            raise ValueError("scenario %s: %s" % (name, error))
        for image_set, firmwares in (scenario.sets or IMAGE_SETS).items():
            if image_set != "ours" and image_set not in EDK2_SETS:
                raise ValueError("scenario %s: no image set %r; known: ours, %s" % (name, image_set, ", ".join(sorted(EDK2_SETS))))
            for firmware in firmwares:
                if firmware not in have:
                    raise ValueError("scenario %s: firmware %r cannot be built here; known: %s" % (name, firmware, ", ".join(have)))
                # An EDK2 set's test names its firmware after the set's first one.
                where = ("edk2-%s%s" % (image_set, "" if firmware == firmwares[0] else "." + firmware)
                         if image_set != "ours" else "" if firmware == "release" else firmware)
                found.append(("uefi.%s%s" % (where + "." if where else "", name), name, image_set, firmware))
    return found


def lookup(name):
    if name not in SCENARIOS:
        raise KeyError("no scenario %r; known: %s" % (name, ", ".join(SCENARIOS)))
    return SCENARIOS[name]


def main(argv):
    if argv[:1] == ["edk2-sets"]:
        print("\n".join(EDK2_SETS))
        return 0
    if argv[:1] != ["cmake"]:
        print(__doc__, file=sys.stderr)
        return 2
    have = argv[argv.index("--have") + 1:] if "--have" in argv else FIRMWARES
    unknown = [f for f in have if f not in FIRMWARES]
    try:
        if unknown:
            raise ValueError("no firmware %s; known: %s" % (", ".join(unknown), ", ".join(FIRMWARES)))
        for test, name, image_set, firmware in tests(have):
            print(test, name, image_set, firmware, SCENARIOS[name].timeout)
    except ValueError as error:
        print("scenarios: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
