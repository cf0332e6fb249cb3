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

// Both images of a round start one after the other, with the PCD set-up of the round.
struct ROUND {
  DRIVER_IMAGE Images[kMaxImages];
  UINTN Count;
  PCD_MODE Pcd;
  bool FailHeapInstall;  // the first HEAP_LIST_PROTOCOL install of the round fails
  // The served image's last presence GUID is on its handle before it starts, so that
  // install fails; the entry must still succeed and keep everything working.
  bool FailPresence;
  // The images come out of the firmware volume through the DXE dispatcher instead of
  // LoadImage/StartImage; with Held, a first Dispatch() runs with both PCD protocols
  // hidden and must start neither.
  bool Dispatch;
  bool Held;
  // The drivers get a HOB list of the application's: the firmware's HOBs and "HEAP" HOBs.
  bool HeapHobs;
  // The platform dispatched the drivers from its flash before the application ran, with
  // its own PCD database: the round only observes what they did.
  bool Observe;
};

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
