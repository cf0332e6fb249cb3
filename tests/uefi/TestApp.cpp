// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Boots in QEMU/OVMF as the removable-media boot application. It loads the driver images
// that the runner placed in fw_cfg, starts them round by round the way the DXE dispatcher
// would, checks the outcome and powers the machine off.
//
// The scenario is one SCENARIO_RECORD (Harness.h) in fw_cfg file "opt/soc/scenario".
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Expected.h"
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Harness.h"
#include "tests/uefi/Machine.h"
#include "tests/uefi/Print.h"
#include "tests/uefi/Round.h"

namespace {

constexpr const char *kScenarioFile = "opt/soc/scenario";

// The record's rounds, with their images named and numbered; FAILs "scenario" on anything
// out of range.
bool ReadScenario(SCENARIO *Scenario) {
  UINT16 Selector;
  UINT32 Length;
  SCENARIO_RECORD Record = {};
  if (!FwCfgFindFile(kScenarioFile, &Selector, &Length) || Length != sizeof(Record)) {
    Fail(NULL, "scenario", "fw_cfg file %a missing or not %u bytes", kScenarioFile, static_cast<UINT32>(sizeof(Record)));
    return false;
  }
  FwCfgRead(Selector, &Record, Length);
  if (Record.Magic[0] != 'S' || Record.Magic[1] != 'C' || Record.Magic[2] != 'N' || Record.Magic[3] != '1' ||
      Record.RoundCount == 0 || Record.RoundCount > kMaxRounds) {
    Fail(NULL, "scenario", "not a scenario record, or %u rounds", Record.RoundCount);
    return false;
  }
  Scenario->HasSignature = Record.Signature != 0;
  Scenario->Signature = Record.Signature;
  Scenario->Mode = Record.Report != 0 ? RunReport : RunChecks;
  Scenario->Debug = Record.Debug != 0;
  for (UINTN Number = 1; Number <= Record.RoundCount; Number++) {
    const SCENARIO_ROUND_RECORD &From = Record.Rounds[Number - 1];
    ROUND *Round = &Scenario->Rounds[Number - 1];
    *Round = {};
    if (From.Start > StartObserve || From.Pcd > PcdFirmware || From.Flags > 7) {
      Fail(NULL, "scenario", "round %u: start %u, PCD %u, flags 0x%x", static_cast<UINT32>(Number), From.Start,
           From.Pcd, From.Flags);
      return false;
    }
    Round->Start = static_cast<START_MODE>(From.Start);
    Round->Pcd = static_cast<PCD_MODE>(From.Pcd);
    Round->FailHeapInstall = (From.Flags & SCENARIO_FAIL_HEAP_INSTALL) != 0;
    Round->FailPresence = (From.Flags & SCENARIO_FAIL_PRESENCE) != 0;
    Round->HeapHobs = (From.Flags & SCENARIO_HEAP_HOBS) != 0;
    for (UINTN At = 0; At < kMaxImages && From.Images[At] != 0; At++) {
      if (From.Images[At] > kVariantCount) {
        Fail(NULL, "scenario", "round %u: no image %u", static_cast<UINT32>(Number), From.Images[At]);
        return false;
      }
      DRIVER_IMAGE *Image = &Round->Images[Round->Count];
      *Image = {};
      Image->Variant = &kVariants[From.Images[At] - 1];
      Image->Round = Number;
      Image->Position = Round->Count++;
      Image->LoadStatus = kNotRun;
      Image->EntryStatus = kNotRun;
      FormatString(Image->Subject, sizeof(Image->Subject), "r%u.%a", static_cast<UINT32>(Number), Image->Variant->Name);
    }
    if (Round->Count == 0) {
      Fail(NULL, "scenario", "round %u starts no image", static_cast<UINT32>(Number));
      return false;
    }
  }
  Scenario->RoundCount = Record.RoundCount;
  return true;
}

// The runner asked QEMU for a signature; the drivers' processor check is only meaningful
// if the guest really sees it, with the package type (EBX 31:28) clear.
void CheckProcessor(SCENARIO *Scenario) {
  const CPUID_REGISTERS R = MachineCpuid(0x80000001);
  Scenario->Eax = R.Eax;
  Scenario->Ebx = R.Ebx;
  Info("cpuid 0x80000001 eax=0x%08X ebx=0x%08X", R.Eax, R.Ebx);
  if (Scenario->HasSignature) {
    Expect(R.Eax == Scenario->Signature && (R.Ebx & 0xF0000000U) == 0, "cpu", "signature",
           "guest sees eax=0x%08X ebx=0x%08X, scenario wants eax=0x%08X with ebx[31:28]=0", R.Eax, R.Ebx,
           Scenario->Signature);
  }
  if (Scenario->Mode == RunReport) {
    Report("CPUID 0x80000001: EAX 0x%08X (family %Xh, model %Xh, stepping %u), EBX[31:28] %u", R.Eax,
           ((R.Eax >> 8) & 0xF) + ((R.Eax >> 20) & 0xFF), ((R.Eax >> 4) & 0xF) | ((R.Eax >> 12) & 0xF0), R.Eax & 0xF,
           R.Ebx >> 28);
    for (UINTN Index = 0; Index < kVariantCount; Index++) {
      Report("  %a serves it: %a", kVariants[Index].ImageName, Accepts(kVariants[Index], R.Eax, R.Ebx) ? "yes" : "no");
    }
  }
}

// What the drivers reach during their entry: the application's own PCD and debug-print
// protocols, and an eye on every InstallProtocolInterface call.
bool BeforeDrivers() {
  if (!PcdFindFirmware()) {
    return false;
  }
  const EFI_STATUS Status = InstallDebugPrint();
  if (!Expect(Status == EFI_SUCCESS, NULL, "debug_print.install", "InstallProtocolInterface returned %r", Status)) {
    return false;
  }
  HookInstall();
  return true;
}

// The firmware gets its own services and PCD protocols back before the machine goes down.
void AfterDrivers() {
  UnhookInstall();
  PcdSetMode(PcdFirmware);
}

void RunScenario() {
  if (!FwCfgPresent()) {
    Fail(NULL, "fw_cfg", "no QEMU fw_cfg device at port 0x510");
    return;
  }
  Print("@@ BEGIN\n");
  SCENARIO Scenario = {};
  if (!ReadScenario(&Scenario)) {
    return;
  }

  CheckProcessor(&Scenario);
  if (BeforeDrivers()) {
    for (UINTN Index = 0; Index < Scenario.RoundCount; Index++) {
      RunRound(Scenario, Scenario.Rounds[Index], Index + 1);
    }
  }
  AfterDrivers();
}

}  // namespace

extern "C" EFI_STATUS EFIAPI EfiMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  gAppImage = ImageHandle;
  gST = SystemTable;
  gBS = SystemTable->BootServices;
  PrintInit(SystemTable->ConOut);
  // The boot manager's own text may have left the cursor mid-line.
  Print("\n");
  RunScenario();
  Print("@@ DONE\n");
  SystemTable->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
  for (;;) {
    __asm__ volatile("hlt");
  }
}
