// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "heap/HeapMigration.h"

#include "debug/ErrorTrap.h"
#include "framework/Framework.h"

HEAP_LIST_PROTOCOL gHeapListProtocol = {HEAP_LIST_PROTOCOL_REVISION, {NULL, NULL}};
LIST_ENTRY *gHeapListHead = NULL;

// Offset of the HEAP_HOB_HEADER inside a GUID HOB, and the shortest HOB that holds one.
#define HEAP_HOB_HEADER_OFFSET sizeof(EFI_HOB_GUID_TYPE)
#define HEAP_HOB_MIN_LENGTH (HEAP_HOB_HEADER_OFFSET + sizeof(HEAP_HOB_HEADER))

EFI_STATUS AllocateHeapNode(const HEAP_HOB_HEADER *Header, HEAP_NODE **Node) {
  // UINTN arithmetic: a DataSize near 4 GiB must not wrap the node size.
  const UINTN Size = sizeof(HEAP_NODE) + static_cast<UINTN>(Header->DataSize);
  VOID *Buffer = NULL;
  if (Header->PoolSelector == HEAP_POOL_SELECTOR_RUNTIME) {
    const EFI_STATUS Status = gBootServices->AllocatePool(EfiRuntimeServicesData, Size, &Buffer);
    // A failing firmware may leave anything in the out-pointer.
    if (EFI_ERROR(Status)) {
      Buffer = NULL;
    }
    if (Buffer == NULL) {
      RaiseTrapIfArmed(TRAP_HEAP_NODE_RUNTIME_POOL);
      return EFI_UNSUPPORTED;
    }
  } else {
    Buffer = AllocateBootPool(Size);
    if (Buffer == NULL) {
      RaiseTrapIfArmed(TRAP_HEAP_NODE_BOOT_POOL);
      return EFI_UNSUPPORTED;
    }
  }

  HEAP_NODE *NewNode = static_cast<HEAP_NODE *>(Buffer);
  *Node = NewNode;
  CopyBuffer(&NewNode->Header, Header, sizeof(HEAP_HOB_HEADER));

  // Append at the tail; the caller fills the data once the node is in the list.
  LIST_ENTRY *Head = gHeapListHead;
  NewNode->Link.ForwardLink = Head;
  NewNode->Link.BackLink = Head->BackLink;
  Head->BackLink->ForwardLink = &NewNode->Link;
  Head->BackLink = &NewNode->Link;
  return EFI_SUCCESS;
}

static UINT16 HobLengthOf(const UINT8 *Hob) {
  EFI_HOB_GENERIC_HEADER Generic;
  SOC_MEMCPY(&Generic, Hob, sizeof(Generic));
  return Generic.HobLength;
}

static VOID MigrateHeapHob(const UINT8 *Hob) {
  const UINTN HobLength = HobLengthOf(Hob);
  // The header itself must lie inside the HOB before any of it is read.
  if (HobLength < HEAP_HOB_MIN_LENGTH) {
    return;
  }
  const HEAP_HOB_HEADER *Header = reinterpret_cast<const HEAP_HOB_HEADER *>(Hob + HEAP_HOB_HEADER_OFFSET);
  if (Header->Signature != HEAP_HOB_SIGNATURE || Header->MigrateFlag != HEAP_MIGRATE_FLAG_MIGRATE) {
    return;
  }
  // A DataSize that runs past the HOB would copy whatever follows it: leave such a HOB out.
  const UINTN DataSize = Header->DataSize;
  if (DataSize > HobLength - HEAP_HOB_MIN_LENGTH) {
    return;
  }
  HEAP_NODE *Node = NULL;
  if (AllocateHeapNode(Header, &Node) != EFI_SUCCESS) {
    return;
  }
  CopyBuffer(HEAP_NODE_DATA(Node), reinterpret_cast<const UINT8 *>(Header) + sizeof(HEAP_HOB_HEADER), DataSize);
}

VOID MigrateHeapHobs() {
  VOID *Installed = NULL;
  const EFI_STATUS Found = gBootServices->LocateProtocol(&gHeapListProtocolGuid, NULL, &Installed);
  // An earlier driver already migrated: share its list, publish nothing. Even a NULL
  // interface is adopted, so one boot never migrates twice; the address is formed as an
  // integer because nothing on this path dereferences it.
  if (!EFI_ERROR(Found)) {
    gHeapListHead =
        reinterpret_cast<LIST_ENTRY *>(reinterpret_cast<UINTN>(Installed) + offsetof(HEAP_LIST_PROTOCOL, HeapList));
    return;
  }

  gHeapListProtocol.HeapList.ForwardLink = &gHeapListProtocol.HeapList;
  gHeapListProtocol.HeapList.BackLink = &gHeapListProtocol.HeapList;
  gHeapListHead = &gHeapListProtocol.HeapList;

  // Without a HOB list there is nothing to walk; the empty list is still published.
  const UINT8 *HobList = static_cast<const UINT8 *>(GetHobList());
  if (HobList != NULL) {
    const UINT8 *Hob = static_cast<const UINT8 *>(FindNextGuidHob(&gHeapHobGuid, HobList));
    while (Hob != NULL) {
      MigrateHeapHob(Hob);
      Hob = static_cast<const UINT8 *>(FindNextGuidHob(&gHeapHobGuid, Hob + HobLengthOf(Hob)));
    }
  }

  EFI_HANDLE Handle = NULL;
  const EFI_STATUS Status =
      gBootServices->InstallProtocolInterface(&Handle, &gHeapListProtocolGuid, EFI_NATIVE_INTERFACE, &gHeapListProtocol);
  if (Status != EFI_SUCCESS) {
    RaiseTrapIfArmed(TRAP_HEAP_LIST_INSTALL);
  }
}
