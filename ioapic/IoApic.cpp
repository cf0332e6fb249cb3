// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "ioapic/IoApic.h"

#include "framework/Framework.h"

#include <Protocol/InterruptTable.h>

// Inputs 24..55 are the ones routed through an I/O APIC.
#define ROUTING_INPUT_FIRST 24
#define ROUTING_INPUT_SPAN 31

VOID SetIoApicId(UINT8 NewId, UINT32 IoApicAddress) {
  UINT8 OldId = 1;
  VOID *Interface = NULL;
  const EFI_STATUS Status = gBootServices->LocateProtocol(&gInterruptTableProtocolGuid, NULL, &Interface);
  if (EFI_ERROR(Status) || Interface == NULL) {
    return;
  }
  const INTERRUPT_TABLE_PROTOCOL *Protocol = static_cast<const INTERRUPT_TABLE_PROTOCOL *>(Interface);

  // A table the other driver has not provided is skipped rather than dereferenced.
  INTERRUPT_IOAPIC_TABLE *IoApicTable = Protocol->IoApicTable;
  if (IoApicTable != NULL) {
    const UINTN Count = IoApicTable->IoApicCount;
    for (UINTN Row = 0; Row < Count; Row++) {
      INTERRUPT_IOAPIC_ROW *Entry = INTERRUPT_IOAPIC_ROW_AT(IoApicTable, Row);
      if (Entry->BaseAddress == static_cast<UINT64>(IoApicAddress)) {
        OldId = static_cast<UINT8>(Entry->ApicId);
        Entry->ApicId = NewId;
      }
    }
  }

  INTERRUPT_ROUTING_TABLE *RoutingTable = Protocol->RoutingTable;
  if (RoutingTable != NULL) {
    const UINTN Count = RoutingTable->RoutingCount;
    for (UINTN Row = 0; Row < Count; Row++) {
      INTERRUPT_ROUTING_ITEM *Items = INTERRUPT_ROUTING_ROW_AT(RoutingTable, Row)->Item;
      for (UINTN Item = 0; Item < INTERRUPT_ROUTING_ITEMS_PER_ROW; Item++) {
        const UINT8 Input = Items[Item].InputNumber;
        if (Items[Item].ApicId == OldId && static_cast<UINT8>(Input - ROUTING_INPUT_FIRST) <= ROUTING_INPUT_SPAN) {
          Items[Item].ApicId = NewId;
        }
      }
    }
  }
}

VOID EFIAPI IoApicIdFixup(EFI_EVENT Event, VOID *Context) {
  (void)Event;
  (void)Context;
  // Without the PCD protocol there is no configured identifier to apply.
  PCD_PROTOCOL *Pcd = GetPcdProtocol();
  if (Pcd == NULL) {
    return;
  }
  SetIoApicId(Pcd->Get8(PCD_TOKEN_IOAPIC0_ID), IOAPIC0_BASE_ADDRESS);
  // The second token is read only after the first I/O APIC has been handled.
  Pcd = GetPcdProtocol();
  if (Pcd == NULL) {
    return;
  }
  SetIoApicId(Pcd->Get8(PCD_TOKEN_IOAPIC1_ID), IOAPIC1_BASE_ADDRESS);
}
