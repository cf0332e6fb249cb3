// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "framework/Framework.h"

#include "arch/Arch.h"

VOID *gHobList = NULL;
const VOID *gHobListEnd = NULL;
PCD_PROTOCOL *gPcdProtocol = NULL;
VOID *gDxeServices = NULL;

// Word and byte accesses go through memcpy so that no alignment is assumed; the
// compiler turns them into single unaligned moves.
static inline UINT64 LoadWord(const UINT8 *P) {
  UINT64 V;
  SOC_MEMCPY(&V, P, 8);
  return V;
}
static inline VOID StoreWord(UINT8 *P, UINT64 V) { SOC_MEMCPY(P, &V, 8); }

VOID *ZeroBuffer(VOID *Buffer, UINTN Length) {
  UINT8 *P = static_cast<UINT8 *>(Buffer);
  // Volatile-free plain loops; the loop bodies are kept from turning into memset calls,
  // which the freestanding image does not have.
  for (UINTN I = 0; I < Length / 8; I++) {
    StoreWord(P, 0);
    P += 8;
    SOC_OPAQUE(P);
  }
  for (UINTN I = 0; I < Length % 8; I++) {
    *P++ = 0;
    SOC_OPAQUE(P);
  }
  return Buffer;
}

VOID *CopyBuffer(VOID *Destination, const VOID *Source, UINTN Length) {
  if (Length == 0 || Destination == Source) {
    return Destination;
  }
  UINT8 *D = static_cast<UINT8 *>(Destination);
  const UINT8 *S = static_cast<const UINT8 *>(Source);
  const UINTN DAddr = reinterpret_cast<UINTN>(D);
  const UINTN SAddr = reinterpret_cast<UINTN>(S);
  if (SAddr >= DAddr || SAddr + Length - 1 < DAddr) {
    for (UINTN I = 0; I < Length / 8; I++) {
      StoreWord(D, LoadWord(S));
      D += 8;
      S += 8;
      SOC_OPAQUE(D);
    }
    for (UINTN I = 0; I < Length % 8; I++) {
      *D++ = *S++;
      SOC_OPAQUE(D);
    }
  } else {
    // Source below destination and overlapping: byte by byte from the end. The direction
    // flag is never touched, so it stays forward.
    for (UINTN I = Length; I > 0; I--) {
      D[I - 1] = S[I - 1];
      SOC_OPAQUE(D);
    }
  }
  return Destination;
}

UINT32 ReadCpuid(UINT32 Leaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  ArchCpuid(Leaf, Leaf, Eax, Ebx, Ecx, Edx);
  return Leaf;
}

UINT64 ReadTsc() { return ArchReadTsc(); }

VOID CpuPause() { ArchPause(); }

EFI_STATUS LookupConfigurationTable(const EFI_GUID *TableGuid, VOID **Table) {
  *Table = NULL;
  const UINTN Count = gSystemTable->NumberOfTableEntries;
  if (Count == 0) {
    return EFI_NOT_FOUND;
  }
  const EFI_CONFIGURATION_TABLE *Entries = gSystemTable->ConfigurationTable;
  for (UINTN Index = 0; Index < Count; Index++) {
    if (GuidEquals(&Entries[Index].VendorGuid, TableGuid)) {
      *Table = Entries[Index].VendorTable;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

// The list's end as its first HOB, the PHIT, records it (PI 1.8, volume 3, 5.3): the
// address of the end-of-list HOB, which the walk may read too. A list without a sound PHIT
// keeps no bound, as before.
static const VOID *HobListEndOf(const UINT8 *List) {
  EFI_HOB_HANDOFF_INFO_TABLE Phit;
  SOC_MEMCPY(&Phit, List, sizeof(Phit.Header));
  if (Phit.Header.HobType != EFI_HOB_TYPE_HANDOFF || Phit.Header.HobLength < sizeof(Phit)) {
    return NULL;
  }
  SOC_MEMCPY(&Phit, List, sizeof(Phit));
  const UINTN Start = reinterpret_cast<UINTN>(List);
  const UINTN EndHob = static_cast<UINTN>(Phit.EfiEndOfHobList);
  // The end HOB lies after the PHIT, and its own header does not wrap the address space.
  const bool AfterPhit = EndHob >= Start + sizeof(Phit);
  const bool Wraps = EndHob > static_cast<UINTN>(-1) - sizeof(EFI_HOB_GENERIC_HEADER);
  if (!AfterPhit || Wraps) {
    return NULL;
  }
  return List + (EndHob - Start) + sizeof(EFI_HOB_GENERIC_HEADER);
}

VOID *GetHobList() {
  if (gHobList == NULL) {
    LookupConfigurationTable(&gEfiHobListGuid, &gHobList);
    gHobListEnd = gHobList != NULL ? HobListEndOf(static_cast<const UINT8 *>(gHobList)) : NULL;
  }
  return gHobList;
}

VOID *FindNextGuidHob(const EFI_GUID *Guid, const VOID *HobStart) {
  const UINT8 *Hob = static_cast<const UINT8 *>(HobStart);
  if (Hob == NULL) {
    return NULL;
  }
  // Inside the PHIT's list, no HOB may reach past its end: a length that skips the
  // end-of-list HOB would otherwise walk on through whatever memory follows.
  const UINT8 *End = static_cast<const UINT8 *>(gHobListEnd);
  const UINTN At = reinterpret_cast<UINTN>(Hob);
  const bool Bounded = End != NULL && At >= reinterpret_cast<UINTN>(gHobList) && At <= reinterpret_cast<UINTN>(End);
  for (;;) {
    const UINTN Left = Bounded ? reinterpret_cast<UINTN>(End) - reinterpret_cast<UINTN>(Hob) : 0;
    if (Bounded && Left < sizeof(EFI_HOB_GENERIC_HEADER)) {
      return NULL;
    }
    EFI_HOB_GENERIC_HEADER Header;
    SOC_MEMCPY(&Header, Hob, sizeof(Header));
    if (Header.HobType == EFI_HOB_TYPE_END_OF_HOB_LIST) {
      return NULL;
    }
    // A length that cannot hold the generic header would stall or misalign the walk:
    // treat it as the end of the list.
    if (Header.HobLength < sizeof(EFI_HOB_GENERIC_HEADER) ||
        (Bounded && Header.HobLength > Left)) {
      return NULL;
    }
    if (Header.HobType == EFI_HOB_TYPE_GUID_EXTENSION && Header.HobLength >= sizeof(EFI_HOB_GUID_TYPE) &&
        GuidEquals(reinterpret_cast<const EFI_GUID *>(Hob + 8), Guid)) {
      return const_cast<UINT8 *>(Hob);
    }
    Hob += Header.HobLength;
  }
}

PCD_PROTOCOL *GetPcdProtocol() {
  if (gPcdProtocol == NULL) {
    const EFI_STATUS Status =
        gBootServices->LocateProtocol(&gPcdProtocolGuid, NULL, reinterpret_cast<VOID **>(&gPcdProtocol));
    // A failing LocateProtocol should leave NULL behind; make sure nothing else is cached.
    if (EFI_ERROR(Status)) {
      gPcdProtocol = NULL;
    }
  }
  return gPcdProtocol;
}

VOID *AllocateBootPool(UINTN AllocationSize) {
  VOID *Buffer = NULL;
  const EFI_STATUS Status = gBootServices->AllocatePool(EfiBootServicesData, AllocationSize, &Buffer);
  if (EFI_ERROR(Status)) {
    return NULL;
  }
  return Buffer;
}
