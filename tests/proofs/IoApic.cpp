// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any interrupt tables that the producing driver describes: up to ROWS I/O APIC rows and
// ROUTING_ROWS routing rows, either table NULL, any identifiers, addresses and inputs.
#include <string.h>

#include "Model.h"
#include "ioapic/IoApic.h"

#define IOAPIC_BYTES (20 + 24 * ROWS)
#define ROUTING_BYTES (73 + 345 * ROUTING_ROWS)

extern "C" void Harness() {
  // The producer's tables hold as many rows as their counts say (its own contract); every
  // other byte is any.
  UINT8 IoApic[IOAPIC_BYTES], Routing[ROUTING_BYTES], Protocol[40];
  const UINT32 Rows = AnyWord(), RoutingRows = AnyWord();
  __CPROVER_assume(Rows <= ROWS && RoutingRows <= ROUTING_ROWS);
  memcpy(IoApic + 16, &Rows, 4);
  memcpy(Routing + 24, &RoutingRows, 4);
  UINT8 *IoApicTable = AnyBool() ? NULL : &IoApic[0];
  UINT8 *RoutingTable = AnyBool() ? NULL : &Routing[0];
  memcpy(Protocol + 16, &RoutingTable, 8);
  memcpy(Protocol + 32, &IoApicTable, 8);
  UINT8 IoApicBefore[IOAPIC_BYTES], RoutingBefore[ROUTING_BYTES];
  memcpy(IoApicBefore, IoApic, IOAPIC_BYTES);
  memcpy(RoutingBefore, Routing, ROUTING_BYTES);

  EFI_CONFIGURATION_TABLE Entry;
  BindModel(&Entry, 0);
  gModel.Found = AnyBool();
  gModel.Interface = AnyBool() ? NULL : &Protocol[0];
  const UINT8 NewId = AnyByte();
  const UINT32 Address = AnyWord();
  SetIoApicId(NewId, Address);

  const bool Applied = gModel.Found && gModel.Interface != NULL;
  UINT8 OldId = 1;
  for (UINTN Row = 0; Row < ROWS; Row++) {
    const UINT8 *Before = IoApicBefore + 20 + 24 * Row, *After = IoApic + 20 + 24 * Row;
    const bool Match = Applied && IoApicTable != NULL && Row < Rows && Read64(Before) == Address;
    if (Match) OldId = Before[8];
    __CPROVER_assert(Read32(After + 8) == (Match ? NewId : Read32(Before + 8)), "only matching rows renamed");
  }
  for (UINTN Row = 0; Row < ROUTING_ROWS; Row++) {
    for (UINTN Item = 0; Item < 4; Item++) {
      const UINTN At = 73 + 345 * Row + 2 * Item;
      const UINT8 Input = RoutingBefore[At];
      const bool Retarget = Applied && RoutingTable != NULL && Row < RoutingRows && RoutingBefore[At + 1] == OldId &&
                            Input >= 24 && Input <= 55;
      __CPROVER_assert(Routing[At] == Input && Routing[At + 1] == (Retarget ? NewId : RoutingBefore[At + 1]),
                       "only items of inputs 24 to 55 that named the old identifier re-targeted");
    }
  }
}
