// What every part of the test application shares: the firmware tables, the driver images
// of this boot, and the result lines the runner reads. Each result is one console line:
//   @@ BEGIN <args>    @@ PASS <check>    @@ FAIL <check>: <details>
//   @@ INFO <text>     @@ REPORT <text>   @@ DONE
// A check's name is "<subject>.<what>", e.g. "m70.entry"; the subject may be omitted.
#pragma once

#include "uefi/Uefi.h"

extern EFI_HANDLE gAppImage;
extern EFI_SYSTEM_TABLE *gST;
extern EFI_BOOT_SERVICES *gBS;

inline constexpr UINTN kMaxImages = 4;
// EFI_NOT_STARTED (UEFI 2.10, appendix D): the status of a step that never ran.
inline constexpr EFI_STATUS kNotRun = ENCODE_ERROR(19);

struct DRIVER_IMAGE {
  const char *Name;       // order token and check subject, e.g. "m70"
  const char *FwCfgFile;  // where the runner put the image, e.g. "opt/soc/m70"
  EFI_HANDLE Handle;      // non-NULL once LoadImage succeeded
  EFI_STATUS LoadStatus;
  EFI_STATUS EntryStatus;  // what StartImage returned, i.e. the driver's entry status
  bool Started;
};

enum RUN_MODE { RunChecks, RunReport };

struct SCENARIO {
  DRIVER_IMAGE *Order[kMaxImages];  // start order for this boot
  UINTN OrderCount;
  RUN_MODE Mode;
  bool HasSignature;  // the runner's expectation of CPUID 0x80000001 EAX
  UINT32 Signature;
};

void Pass(const char *Subject, const char *What);
void Fail(const char *Subject, const char *What, const char *Format, ...);
// PASS when Ok, else FAIL with the formatted details; returns Ok.
bool Expect(bool Ok, const char *Subject, const char *What, const char *Format, ...);
void Info(const char *Format, ...);
void Report(const char *Format, ...);

bool AsciiEqual(const char *A, const char *B);
