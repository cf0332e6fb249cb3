// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// What every part of the test application shares: the firmware tables, the driver images
// of this boot, and the result lines the runner reads. Each result is one console line:
//   @@ BEGIN <args>    @@ PASS <check>    @@ FAIL <check>: <details>
//   @@ INFO <text>     @@ REPORT <text>   @@ DONE
// A check's name is "<subject>.<what>", e.g. "m70.entry"; the subject may be omitted.
#pragma once

#include "efi/Uefi.h"

extern EFI_HANDLE gAppImage;
extern EFI_SYSTEM_TABLE *gST;
extern EFI_BOOT_SERVICES *gBS;

inline constexpr UINTN kMaxImages = 4;
inline constexpr UINTN kMaxRounds = 4;
// EFI_NOT_STARTED (UEFI 2.10, appendix D): the status of a step that never ran.
inline constexpr EFI_STATUS kNotRun = ENCODE_ERROR(19);

struct VARIANT;

// One loaded instance of a driver image. A boot loads each image once per round.
struct DRIVER_IMAGE {
  const VARIANT *Variant;
  char Subject[16];  // check subject, "r1.m70"
  UINTN Round;       // 1-based
  UINTN Position;    // 0-based start position within the round
  EFI_HANDLE Handle;  // non-NULL once LoadImage succeeded
  EFI_STATUS LoadStatus;
  EFI_STATUS EntryStatus;  // what StartImage returned, i.e. the driver's entry status
  bool Started;
  UINT64 ImageBase;
  UINT64 ImageSize;
  EFI_GUID Baseline[8];  // what the firmware put on the image handle before the entry ran
  UINTN BaselineCount;
};

enum PCD_MODE {
  PcdOurs,       // the application's PCD_PROTOCOL in front; the firmware's EFI_PCD_PROTOCOL stays
  PcdHidden,     // no PCD_PROTOCOL at all
  PcdEfiHidden,  // the application's PCD_PROTOCOL, no EFI_PCD_PROTOCOL
  PcdAllHidden,  // neither PCD_PROTOCOL nor EFI_PCD_PROTOCOL
  PcdFirmware,   // as the firmware left it
};

// How a round's images get started.
enum START_MODE : UINT8 {
  StartLoad,          // LoadImage/StartImage, in the round's order
  StartDispatch,      // from the firmware volume through the DXE dispatcher, in the volume's order
  StartDispatchHeld,  // the same, after a first Dispatch() with both PCD protocols hidden starts neither
  StartObserve,       // nothing started: the platform dispatched the drivers from its flash, with its PCDs
};

// Both images of a round start one after the other, with the PCD set-up of the round.
struct ROUND {
  DRIVER_IMAGE Images[kMaxImages];
  UINTN Count;
  START_MODE Start;
  PCD_MODE Pcd;
  bool FailHeapInstall;  // the first HEAP_LIST_PROTOCOL install of the round fails
  // The served image's last presence GUID is on its handle before it starts, so that
  // install fails; the entry must still succeed and keep everything working.
  bool FailPresence;
  // The drivers get a HOB list of the application's: the firmware's HOBs and "HEAP" HOBs.
  bool HeapHobs;
};

// What the runner hands the application (fw_cfg file opt/soc/scenario; tests/uefi/scenarios.py
// writes it), little-endian and packed.
#pragma pack(push, 1)
struct SCENARIO_ROUND_RECORD {
  UINT8 Images[kMaxImages];  // 1-based into kVariants, in start order; 0 ends the list
  UINT8 Start;               // START_MODE
  UINT8 Pcd;                 // PCD_MODE
  UINT8 Flags;               // SCENARIO_FAIL_HEAP_INSTALL, SCENARIO_FAIL_PRESENCE, SCENARIO_HEAP_HOBS
  UINT8 Reserved;
};
struct SCENARIO_RECORD {
  char Magic[4];       // "SCN1"
  UINT32 Signature;    // CPUID 0x80000001 EAX the runner asked QEMU for; 0: none
  UINT8 RoundCount;    // 1 to kMaxRounds
  UINT8 Report;        // also print what each driver published and answered
  UINT8 Debug;         // wait for a debugger to set gDebuggerAttached before starting
  UINT8 Reserved;
  SCENARIO_ROUND_RECORD Rounds[kMaxRounds];
};
#pragma pack(pop)
static_assert(sizeof(SCENARIO_ROUND_RECORD) == 8 && sizeof(SCENARIO_RECORD) == 44, "scenario record layout");
inline constexpr UINT8 SCENARIO_FAIL_HEAP_INSTALL = 1, SCENARIO_FAIL_PRESENCE = 2, SCENARIO_HEAP_HOBS = 4;

enum RUN_MODE { RunChecks, RunReport };

// Set by a debugger to let the loaded drivers start (mode=debug).
extern volatile UINT8 gDebuggerAttached;

struct SCENARIO {
  ROUND Rounds[kMaxRounds];
  UINTN RoundCount;
  RUN_MODE Mode;
  bool Debug;  // wait for gDebuggerAttached before starting the loaded images
  bool HasSignature;  // the runner's expectation of CPUID 0x80000001 EAX
  UINT32 Signature;
  UINT32 Eax;  // what the guest sees
  UINT32 Ebx;
};

void Pass(const char *Subject, const char *What);
void Fail(const char *Subject, const char *What, const char *Format, ...);
// PASS when Ok, else FAIL with the formatted details; returns Ok.
bool Expect(bool Ok, const char *Subject, const char *What, const char *Format, ...);
void Info(const char *Format, ...);
void Report(const char *Format, ...);

bool AsciiEqual(const char *A, const char *B);
