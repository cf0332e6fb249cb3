// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any HEAP header, a list already holding a node or not, any pool outcome.
#include <string.h>

#include "Model.h"
#include "heap/HeapMigration.h"

extern "C" void Harness() {
  EFI_CONFIGURATION_TABLE Entry;
  BindModel(&Entry, 0);
  LIST_ENTRY Head = {&Head, &Head};
  HEAP_NODE Earlier;
  if (AnyBool()) {
    Earlier.Link.ForwardLink = Earlier.Link.BackLink = &Head;
    Head.ForwardLink = Head.BackLink = &Earlier.Link;
  }
  LIST_ENTRY *Last = Head.BackLink;
  gHeapListHead = &Head;
  HEAP_HOB_HEADER Header;  // any bytes
  HEAP_NODE *Unset = reinterpret_cast<HEAP_NODE *>(&Entry);
  HEAP_NODE *Node = Unset;
  const EFI_STATUS Status = AllocateHeapNode(&Header, &Node);
  __CPROVER_assert(gModel.Allocations == 1 && gModel.PoolType[0] == (Header.PoolSelector == 8 ? 6 : 4),
                   "one pool call: runtime for selector 8, boot otherwise");
  if (!gModel.Granted[0]) {
    __CPROVER_assert(Status == EFI_UNSUPPORTED && Node == Unset && Head.BackLink == Last && Last->ForwardLink == &Head,
                     "no pool: EFI_UNSUPPORTED, nothing changed");
    return;
  }
  __CPROVER_assert(Status == EFI_SUCCESS && Node != Unset && memcmp(&Node->Header, &Header, 16) == 0,
                   "a node with the header");
  __CPROVER_assert(Head.BackLink == &Node->Link && Last->ForwardLink == &Node->Link && Node->Link.BackLink == Last &&
                       Node->Link.ForwardLink == &Head,
                   "appended at the tail");
}
