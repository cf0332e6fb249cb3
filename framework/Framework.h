// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Entry, start-up chain and the firmware helpers every subsystem uses.
#pragma once

#include "efi/Uefi.h"

extern EFI_SYSTEM_TABLE *gSystemTable;
extern EFI_BOOT_SERVICES *gBootServices;
// Cached lookups: NULL until the first successful lookup, never reset; a failed lookup
// is retried on the next call.
extern VOID *gHobList;
// Just past the end-of-list HOB that the PHIT names; NULL when the list has no sound PHIT.
extern const VOID *gHobListEnd;
extern PCD_PROTOCOL *gPcdProtocol;
extern VOID *gDxeServices;

extern "C" EFI_STATUS EFIAPI DriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);
VOID RunStartupChain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);

VOID *ZeroBuffer(VOID *Buffer, UINTN Length);
VOID *CopyBuffer(VOID *Destination, const VOID *Source, UINTN Length);
UINT32 ReadCpuid(UINT32 Leaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx);
UINT64 ReadTsc();
VOID CpuPause();
EFI_STATUS LookupConfigurationTable(const EFI_GUID *TableGuid, VOID **Table);
VOID *GetHobList();
VOID *FindNextGuidHob(const EFI_GUID *Guid, const VOID *HobStart);
PCD_PROTOCOL *GetPcdProtocol();
VOID *AllocateBootPool(UINTN AllocationSize);

// Leaf 0x80000001: EAX is the processor signature, EBX bits 31:28 the package type.
#define CPUID_EXTENDED_SIGNATURE 0x80000001U

// Bits High..Low of a register, as register manuals name its fields: each field below
// expands to its "High, Low" pair. Always inlined, as a mask would be: GCC at -Os keeps
// calls otherwise.
SOC_ALWAYS_INLINE UINT32 RegisterField(UINT64 Value, UINT32 High, UINT32 Low) {
  return static_cast<UINT32>((Value >> Low) & (~0ULL >> (63U - (High - Low))));
}

#define SIGNATURE_STEPPING 3, 0
#define SIGNATURE_BASE_MODEL 7, 4
#define SIGNATURE_BASE_FAMILY 11, 8
#define SIGNATURE_EXTENDED_MODEL 19, 16
#define SIGNATURE_EXTENDED_FAMILY 27, 20

// The processor signature, field by field; the one place it is taken apart.
struct PROCESSOR_SIGNATURE {
  UINT8 Stepping;
  UINT8 BaseModel;
  UINT8 BaseFamily;
  UINT8 ExtendedModel;
  UINT8 ExtendedFamily;
};

SOC_ALWAYS_INLINE PROCESSOR_SIGNATURE DecodeSignature(UINT32 Eax) {
  PROCESSOR_SIGNATURE S;
  S.Stepping = static_cast<UINT8>(RegisterField(Eax, SIGNATURE_STEPPING));
  S.BaseModel = static_cast<UINT8>(RegisterField(Eax, SIGNATURE_BASE_MODEL));
  S.BaseFamily = static_cast<UINT8>(RegisterField(Eax, SIGNATURE_BASE_FAMILY));
  S.ExtendedModel = static_cast<UINT8>(RegisterField(Eax, SIGNATURE_EXTENDED_MODEL));
  S.ExtendedFamily = static_cast<UINT8>(RegisterField(Eax, SIGNATURE_EXTENDED_FAMILY));
  return S;
}
