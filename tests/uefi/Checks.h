// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The checks of a round, one file per subsystem of the drivers, each reporting its own
// results: CheckEntry.cpp (what an entry installed, read and printed), CheckHeap.cpp (the
// "HEAP" HOBs and HEAP_LIST_PROTOCOL), CheckProcessor.cpp (the class and platform
// information services), CheckIoApic.cpp (the fix-up), CheckPlatform.cpp (the reference
// platform's C modules). Round.cpp starts the images and calls them in order.
#pragma once

#include "tests/uefi/Harness.h"

// Where the logs stood when the round began and when its last image had returned.
struct MARKS {
  UINTN Pcd;
  UINTN Install;
  UINTN Message;
  UINTN PcdAfterStart;
  UINTN InstallAfterStart;
  UINTN MessageAfterStart;
};

// One PCD read an image must make: through GetBool (B), Get8 (8) or Get32 (4), of Token, at Tpl.
struct PCD_WANT {
  char Member;
  UINTN Token;
  EFI_TPL Tpl;
};
// The fix-up's reads at TPL_CALLBACK: the identifiers of the I/O APICs at 0xFEC00000, 0xFEC01000.
constexpr PCD_WANT kIoApicReads[] = {{'8', 150, TPL_CALLBACK}, {'8', 152, TPL_CALLBACK}};

extern const SCENARIO *gScenario;
inline bool Reporting() { return gScenario->Mode == RunReport; }
const char *Ordinal(UINTN Position);
bool Accepted(const DRIVER_IMAGE &Image);  // the image serves the guest's processor

bool Load(DRIVER_IMAGE *Image);
void Start(DRIVER_IMAGE *Image, const ROUND &Round);
inline UINT32 ReadMmio32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }

// The image's PCD reads between two log positions, against the expected ones in order.
bool CheckReads(const DRIVER_IMAGE &Image, const char *What, UINTN From, UINTN To, const PCD_WANT *Wants,
                UINTN WantCount);
void CheckInstalls(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks);
void CheckHandle(const DRIVER_IMAGE &Image);
void CheckEntryReads(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks);
void CheckMessages(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks);
void ReportImage(const DRIVER_IMAGE &Image, const ROUND &Round, const MARKS &Marks);

// Walks a HOB list to its end HOB (returned), collecting the "HEAP" HOBs that migrate.
const UINT8 *WalkHobs(const UINT8 *Hob, const UINT8 **Found, UINTN Max, UINTN *Count);
bool InstallHeapHobs(const char *Subject);
void RestoreHobList(const char *Subject);
EFI_HANDLE CheckHeapList(const ROUND &Round, const char *Subject);

void CheckClassServices(const DRIVER_IMAGE &Image);
void CheckPlatformServices(const DRIVER_IMAGE &Image);

void CheckPlatformInterruptTables(const ROUND &Round, const char *Subject);
void CheckIoApicFixup(const ROUND &Round, const char *Subject);

void CheckPlatformConsumer(const ROUND &Round, const char *Subject);
void StartCopyOnPlatform(const ROUND &Round);
