// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The parts of a platform that the application plays for the drivers: a PCD protocol in
// front of the firmware's, a debug-print protocol, a register-access protocol and the
// interrupt tables of another driver. Each records what the drivers asked of it, and by
// which image (the caller's return address), so checks can tell the drivers apart.
#pragma once

#include "tests/uefi/Expected.h"
#include "tests/uefi/Harness.h"

// --- caller attribution (Doubles.cpp); each double below has a file of its own
void TrackImage(DRIVER_IMAGE *Image);
DRIVER_IMAGE *ImageAt(UINT64 Address);
bool InImage(const DRIVER_IMAGE &Image, const VOID *Address);
EFI_TPL CurrentTpl();
inline UINT64 ReturnAddress(void *Address) { return reinterpret_cast<UINT64>(Address); }
// Counting on past the end lets a check notice that entries were lost.
template <typename T>
void Append(T *Log, UINTN *Count, UINTN Capacity, const T &Entry) {
  if (*Count < Capacity) {
    Log[*Count] = Entry;
  }
  (*Count)++;
}

// --- PCD (PcdDouble.cpp)
struct PCD_READ {
  DRIVER_IMAGE *Caller;
  char Member;  // 'B' GetBool, '8' Get8, '4' Get32, '?' anything else
  UINTN Token;
  EFI_TPL Tpl;
};
inline constexpr UINT8 kToken150Value = 0x21;
inline constexpr UINT8 kToken152Value = 0x22;
bool PcdFindFirmware();
// Replaces or hides the firmware's instances; false (with a FAIL) when that did not work.
bool PcdSetMode(PCD_MODE Mode);
const char *PcdModeName(PCD_MODE Mode);
extern PCD_READ gPcdReads[];
extern UINTN gPcdReadCount;

// --- InstallProtocolInterface, observed and optionally failed (InstallWatch.cpp)
struct INSTALL_CALL {
  DRIVER_IMAGE *Caller;
  EFI_HANDLE HandleIn;
  EFI_HANDLE HandleOut;
  EFI_GUID Guid;
  UINT32 InterfaceType;
  VOID *Interface;
  EFI_STATUS Status;
  bool Injected;
};
void HookInstall();
void UnhookInstall();
// The next Count installs of Guid answer Status without reaching the firmware.
void FailInstallOf(const EFI_GUID *Guid, EFI_STATUS Status, UINTN Count);
extern INSTALL_CALL gInstalls[];
extern UINTN gInstallCount;

// --- DEBUG_PRINT_PROTOCOL (DebugPrintDouble.cpp)
struct DEBUG_MESSAGE {
  DRIVER_IMAGE *Caller;
  UINT64 Level;
  char Format[96];
  char Text[160];
};
EFI_STATUS InstallDebugPrint();
VOID *DebugPrintInterface();
extern DEBUG_MESSAGE gMessages[];
extern UINTN gMessageCount;

// --- REGISTER_ACCESS_PROTOCOL (RegisterAccessDouble.cpp)
struct REGISTER_READ {
  VOID *This;
  UINTN Space;
  UINT32 Address;
};
EFI_STATUS InstallRegisterAccess();
EFI_STATUS UninstallRegisterAccess();
void SetRegister(UINT32 Address, UINT32 Value);
UINT32 RegisterValue(UINT32 Address);
VOID *RegisterAccessInterface();
extern REGISTER_READ gRegisterReads[];
extern UINTN gRegisterReadCount;
// Calls to any member but ReadRegister.
extern UINTN gRegisterOtherCalls;

// --- INTERRUPT_TABLE_PROTOCOL tables, byte-addressed (InterruptTablesDouble.cpp)
struct INTERRUPT_TABLES {
  UINT8 *Interface;
  UINTN InterfaceSize;
  UINT8 *IoApic;
  UINTN IoApicSize;
  UINT8 *Routing;
  UINTN RoutingSize;
};
bool AllocateInterruptTables(INTERRUPT_TABLES *Tables, UINT32 IoApicRows, UINT32 RoutingRows, UINT8 Fill);
void SetIoApicRow(INTERRUPT_TABLES *Tables, UINT32 Row, UINT64 BaseAddress, UINT32 ApicId);
void SetRoutingItem(INTERRUPT_TABLES *Tables, UINT32 Row, UINT32 Item, UINT8 InputNumber, UINT8 ApicId);
UINT32 IoApicRowId(const INTERRUPT_TABLES &Tables, UINT32 Row);
UINT8 RoutingItemId(const INTERRUPT_TABLES &Tables, UINT32 Row, UINT32 Item);
bool CopyInterruptTables(const INTERRUPT_TABLES &From, INTERRUPT_TABLES *To);
void FreeInterruptTables(INTERRUPT_TABLES *Tables);
// First differing byte offset within each table, or -1 through the return value false.
bool SameBytes(const UINT8 *A, const UINT8 *B, UINTN Size, UINTN *FirstDifference);
