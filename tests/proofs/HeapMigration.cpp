// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any HOB list of HOB_BYTES bytes after a sound PHIT, migrated with any pool outcome, or an
// installed heap list adopted.
#include <string.h>

#include "Model.h"
#include "heap/HeapMigration.h"

#define PHIT_BYTES 56
#define LIST_BYTES (PHIT_BYTES + HOB_BYTES + 8)

extern "C" void Harness() {
  UINT64 Storage[LIST_BYTES / 8];  // never written: any bytes
  UINT8 *List = reinterpret_cast<UINT8 *>(&Storage[0]);
  // The PHIT, as PI 1.8 vol. 3, 5.3 requires: handoff type, its own length, and the end
  // HOB's address in the list's last 8 bytes. The walk's own proof leaves these open.
  const UINT16 Phit[2] = {0x0001, PHIT_BYTES};
  memcpy(List, Phit, 4);
  const UINT64 EndHob = reinterpret_cast<UINTN>(List + LIST_BYTES - 8);
  memcpy(List + 48, &EndHob, 8);
  EFI_CONFIGURATION_TABLE Entry = {gEfiHobListGuid, List};
  BindModel(&Entry, 1);
  // UEFI 2.10, 7.3: what LocateProtocol finds is an interface some driver installed, or
  // NULL, which the driver adopts as well.
  static HEAP_LIST_PROTOCOL Installed;
  gModel.Found = AnyBool();
  gModel.Interface = AnyBool() ? NULL : &Installed;

  MigrateHeapHobs();

  if (gModel.Found) {
    __CPROVER_assert(reinterpret_cast<UINTN>(gHeapListHead) == reinterpret_cast<UINTN>(gModel.Interface) + 8 &&
                         gModel.Installs == 0 && gModel.Allocations == 0,
                     "an installed list adopted, nothing migrated or published");
    return;
  }
  static const UINT8 HeapListGuid[16] = {0x3D, 0x67, 0x62, 0xAF, 0xDA, 0xDE, 0xAE, 0x43,
                                         0x8F, 0x03, 0x9C, 0x2D, 0x89, 0xFD, 0x78, 0xDA};
  __CPROVER_assert(gModel.Installs == 1 && memcmp(&gModel.Installed[0], HeapListGuid, 16) == 0 &&
                       gModel.Interfaces[0] == &gHeapListProtocol,
                   "the own list published under the heap-list GUID");
  // The nodes are the eligible HOBs among those the walk handed over whose pool was
  // granted, in that order, with their bytes.
  const LIST_ENTRY *Link = gHeapListHead->ForwardLink;
  UINTN Pool = 0;
  for (UINTN I = 0; I < gModel.Walked && I < 4; I++) {
    const UINT8 *Hob = gModel.Handed[I];
    const UINTN Size = Read16(Hob + 2);
    const UINTN DataSize = Size >= 40 ? Read32(Hob + 32) : 0;
    if (Size >= 40 && Read32(Hob + 24) == 0x50414548 && Hob[37] == 1 && DataSize <= Size - 40) {
      __CPROVER_assert(Pool < gModel.Allocations && gModel.PoolType[Pool] == (Hob[36] == 8 ? 6 : 4),
                       "runtime pool for selector 8, boot pool otherwise");
      if (gModel.Granted[Pool++]) {
        __CPROVER_assert(Link != gHeapListHead, "a node for each");
        const UINT8 *Node = reinterpret_cast<const UINT8 *>(Link);
        __CPROVER_assert(memcmp(Node + 16, Hob + 24, 16) == 0 && memcmp(Node + 32, Hob + 40, DataSize) == 0,
                         "the header and the bytes");
        Link = Link->ForwardLink;
      }
    }
  }
  __CPROVER_assert(Link == gHeapListHead && Pool == gModel.Allocations, "no other node, no other allocation");
}
