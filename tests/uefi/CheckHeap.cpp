// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The "HEAP" HOBs a round hands the drivers and the HEAP_LIST_PROTOCOL they publish.
#include "tests/uefi/Checks.h"

#include "tests/common/HeapHobModel.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Handles.h"

#include <Protocol/HeapList.h>

namespace {

// The "HEAP" HOBs of heap-hobs rounds: empty, one byte and more than a page, both pool
// types, slack after the data, and three that no driver may migrate (MigrateFlag 0 and 2,
// another signature). Header bytes 4-7, 14 and 15 carry values of their own.
struct HEAP_HOB_CASE {
  UINT32 Signature;
  UINT32 DataSize;
  UINT8 PoolSelector;
  UINT8 MigrateFlag;
  UINT32 Slack;
};
constexpr HEAP_HOB_CASE kHeapHobs[] = {
    {0x50414548, 0, 0, 1, 0},  {0x50414548, 1, 8, 1, 0},    {0x50414548, 13, 9, 1, 16},
    {0x50414548, 4101, 0, 1, 0}, {0x50414548, 64, 8, 0, 0}, {0x51414548, 24, 0, 1, 0},
    {0x50414548, 300, 8, 1, 8},  {0x50414548, 16, 0, 1, 0xFFFFFFF8U}, {0x50414548, 2, 0, 2, 0},
};  // Slack 0xFFFFFFF8: a DataSize that runs 8 bytes past the HOB

const VOID *gFirmwareHobList;

UINTN CaseLength(const HEAP_HOB_CASE &C) { return (40 + C.DataSize + C.Slack + 7) & ~static_cast<UINTN>(7); }

// The memory-map type of the pages that hold Address (~0 if none does).
UINT32 MemoryTypeOf(const VOID *Address) {
  UINTN Size = 0, Key = 0, DescriptorSize = 0;
  UINT32 Version = 0;
  gBS->GetMemoryMap(&Size, NULL, &Key, &DescriptorSize, &Version);
  Size += 8 * DescriptorSize;  // room for what AllocatePool itself adds
  UINT8 *Map = NULL;
  UINT32 Type = ~0U;
  if (DescriptorSize == 0 || gBS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&Map)) != EFI_SUCCESS) {
    return Type;
  }
  if (gBS->GetMemoryMap(&Size, reinterpret_cast<EFI_MEMORY_DESCRIPTOR *>(Map), &Key, &DescriptorSize, &Version) ==
      EFI_SUCCESS) {
    const UINT64 A = reinterpret_cast<UINT64>(Address);
    for (UINTN At = 0; At + DescriptorSize <= Size; At += DescriptorSize) {
      const EFI_MEMORY_DESCRIPTOR *D = reinterpret_cast<const EFI_MEMORY_DESCRIPTOR *>(Map + At);
      if (A >= D->PhysicalStart && A - D->PhysicalStart < D->NumberOfPages * 4096) {
        Type = D->Type;
      }
    }
  }
  gBS->FreePool(Map);
  return Type;
}

const DRIVER_IMAGE *HeapOwner(const ROUND &Round) {
  const UINTN Position = Round.FailHeapInstall ? 1 : 0;
  return Position < Round.Count ? &Round.Images[Position] : NULL;
}

}  // namespace

// The firmware's HOBs, then the cases, then the end HOB, installed in the configuration
// table in place of the firmware's list until the round is over.
bool InstallHeapHobs(const char *Subject) {
  const UINT8 *Firmware = static_cast<const UINT8 *>(ConfigurationTable(&gEfiHobListGuid));
  UINTN Count = 0;
  const UINTN FirmwareBytes = Firmware != NULL ? static_cast<UINTN>(WalkHobs(Firmware, NULL, 0, &Count) - Firmware) : 0;
  UINTN Size = FirmwareBytes + sizeof(EFI_HOB_GENERIC_HEADER);
  for (const HEAP_HOB_CASE &C : kHeapHobs) {
    Size += CaseLength(C);
  }
  UINT8 *List = NULL;
  if (!Expect(Firmware != NULL && gBS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&List)) ==
                                      EFI_SUCCESS,
              Subject, "heap_hobs.list", "no firmware HOB list or no pool for %u bytes", static_cast<UINT32>(Size))) {
    return false;
  }
  gBS->CopyMem(List, Firmware, FirmwareBytes);
  UINT8 *At = List + FirmwareBytes;
  for (UINTN Index = 0; Index < sizeof(kHeapHobs) / sizeof(kHeapHobs[0]); Index++) {
    const HEAP_HOB_CASE &C = kHeapHobs[Index];
    const UINTN Length = CaseLength(C);
    gBS->SetMem(At, Length, static_cast<UINT8>(0xC0 + Index));
    EFI_HOB_GUID_TYPE *Hob = reinterpret_cast<EFI_HOB_GUID_TYPE *>(At);
    Hob->Header = {EFI_HOB_TYPE_GUID_EXTENSION, static_cast<UINT16>(Length), 0};
    Hob->Name = gHeapHobGuid;
    HEAP_HOB_HEADER *Header = reinterpret_cast<HEAP_HOB_HEADER *>(At + 24);
    *Header = {C.Signature, 0x04050607U + static_cast<UINT32>(Index), C.DataSize, C.PoolSelector, C.MigrateFlag,
               static_cast<UINT16>(0xE0F0 + Index)};
    for (UINTN Byte = 0; Byte < C.DataSize && 40 + Byte < Length; Byte++) {
      At[40 + Byte] = static_cast<UINT8>(Byte * 7 + Index);
    }
    At += Length;
  }
  gBS->CopyMem(At, Firmware + FirmwareBytes, sizeof(EFI_HOB_GENERIC_HEADER));
  // The copy's PHIT names the copy's end HOB, or the drivers would stop at the firmware's.
  EFI_HOB_HANDOFF_INFO_TABLE *Phit = reinterpret_cast<EFI_HOB_HANDOFF_INFO_TABLE *>(List);
  if (Phit->Header.HobType == EFI_HOB_TYPE_HANDOFF) {
    Phit->EfiEndOfHobList = reinterpret_cast<UINTN>(At);
  }
  const EFI_STATUS Status = gBS->InstallConfigurationTable(&gEfiHobListGuid, List);
  if (!Expect(Status == EFI_SUCCESS, Subject, "heap_hobs.install", "InstallConfigurationTable returned %r", Status)) {
    gBS->FreePool(List);
    return false;
  }
  gFirmwareHobList = Firmware;
  return true;
}

void RestoreHobList(const char *Subject) {
  if (gFirmwareHobList == NULL) {
    return;
  }
  VOID *Own = ConfigurationTable(&gEfiHobListGuid);
  const EFI_STATUS Status = gBS->InstallConfigurationTable(&gEfiHobListGuid, const_cast<VOID *>(gFirmwareHobList));
  if (Expect(Status == EFI_SUCCESS, Subject, "heap_hobs.restored", "InstallConfigurationTable returned %r", Status)) {
    gBS->FreePool(Own);
  }
  gFirmwareHobList = NULL;
}

// One instance in the whole database, installed on a new handle by the round's first
// image to get through; the others adopted it. Its nodes are the eligible HOBs in list
// order, each a copy of the HOB's header and data in the pool its PoolSelector names.
EFI_HANDLE CheckHeapList(const ROUND &Round, const char *Subject) {
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  const EFI_STATUS Status = gBS->LocateHandleBuffer(ByProtocol, &gHeapListProtocolGuid, NULL, &Count, &Handles);
  if (!Expect(Status == EFI_SUCCESS && Count == 1, Subject, "heap_list.instances", "LocateHandleBuffer %r, %u handles",
              Status, static_cast<UINT32>(EFI_ERROR(Status) ? 0 : Count))) {
    if (!EFI_ERROR(Status)) {
      gBS->FreePool(Handles);
    }
    return NULL;
  }
  EFI_HANDLE Handle = Handles[0];
  gBS->FreePool(Handles);
  HEAP_LIST_PROTOCOL *Heap = NULL;
  gBS->HandleProtocol(Handle, &gHeapListProtocolGuid, reinterpret_cast<VOID **>(&Heap));
  const DRIVER_IMAGE *Owner = HeapOwner(Round);
  bool OnImage = false;
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    OnImage = OnImage || Round.Images[Index].Handle == Handle;
  }
  Expect(Owner != NULL && Heap != NULL && InImage(*Owner, Heap) && !OnImage && Heap->Revision == 1, Subject,
         "heap_list.owner", "interface %p on handle %p (an image handle: %a), Revision %lu; want %a's own instance",
         Heap, Handle, OnImage ? "yes" : "no", Heap != NULL ? Heap->Revision : 0,
         Owner != NULL ? Owner->Subject : "?");
  if (Heap == NULL) {
    return Handle;
  }
  const UINT8 *Hobs[16];
  UINTN HobCount = 0;
  WalkHobs(static_cast<const UINT8 *>(ConfigurationTable(&gEfiHobListGuid)), Hobs, 16, &HobCount);
  UINTN Nodes = 0;
  UINTN Wrong = ~static_cast<UINTN>(0);
  UINT32 WrongType = 0;
  const LIST_ENTRY *Previous = &Heap->HeapList;
  for (const LIST_ENTRY *Link = Heap->HeapList.ForwardLink; Link != &Heap->HeapList && Nodes <= HobCount;
       Link = Link->ForwardLink) {
    if (Nodes < HobCount && Wrong == ~static_cast<UINTN>(0)) {
      // Header and data lie back to back in both: node + 16, HOB + 24.
      const UINT8 *Hob = Hobs[Nodes] + sizeof(EFI_HOB_GUID_TYPE);
      const HEAP_HOB_HEADER *Header = reinterpret_cast<const HEAP_HOB_HEADER *>(Hob);
      const UINT32 Want = Header->PoolSelector == 8 ? EfiRuntimeServicesData : EfiBootServicesData;
      UINTN At = 0;
      WrongType = MemoryTypeOf(Link);
      if (Link->BackLink != Previous || WrongType != Want ||
          !SameBytes(reinterpret_cast<const UINT8 *>(Link) + 16, Hob, 16 + Header->DataSize, &At)) {
        Wrong = Nodes;
      }
    }
    Previous = Link;
    Nodes++;
  }
  Expect(Nodes == HobCount && Heap->HeapList.BackLink == Previous, Subject, "heap_list.nodes",
         "%u nodes in the list, %u eligible HEAP HOBs in the HOB list", static_cast<UINT32>(Nodes),
         static_cast<UINT32>(HobCount));
  Expect(Wrong == ~static_cast<UINTN>(0), Subject, "heap_list.node_contents",
         "node %u: back link, header and data, or memory type %u differ from HOB %u", static_cast<UINT32>(Wrong),
         WrongType, static_cast<UINT32>(Wrong));
  if (Reporting()) {
    Report("HEAP_LIST_PROTOCOL: one instance, %a's, on handle %p; Revision %lu, %u nodes (%u HEAP HOBs)",
           Owner != NULL ? Owner->Variant->ImageName : "?", Handle, Heap->Revision, static_cast<UINT32>(Nodes),
           static_cast<UINT32>(HobCount));
  }
  return Handle;
}

const UINT8 *WalkHobs(const UINT8 *Hob, const UINT8 **Found, UINTN Max, UINTN *Count) {
  const UINT8 *End = Hob;
  const UINTN All = model::HeapHobsThatMigrate(Hob, Found, Max, &End);
  *Count = All < Max ? All : Max;
  return End;
}
