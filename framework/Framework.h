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
