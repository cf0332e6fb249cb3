/** @file
  The reference platform's INTERRUPT_TABLE_PROTOCOL, installed once the SocDxe drivers have
  started (it waits on HEAP_LIST_PROTOCOL, which the first of them installs), so that their
  notification rewrites these tables with the platform's PCD 150 and 152. SocRefPlatform.h
  gives the rows, which the test application checks afterwards.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/
#include <Uefi.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DebugLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiBootServicesTableLib.h>
#include <Protocol/InterruptTable.h>

#include "SocRefPlatform.h"

STATIC CONST struct {
  UINT64    BaseAddress;
  UINT32    ApicId;
} mIoApics[SOC_REF_IOAPIC_ROWS] = SOC_REF_IOAPIC_ROW_VALUES;

STATIC CONST INTERRUPT_ROUTING_ITEM  mRouting[SOC_REF_ROUTING_ROWS][INTERRUPT_ROUTING_ITEMS_PER_ROW] =
  SOC_REF_ROUTING_ITEM_VALUES;

EFI_STATUS
EFIAPI
SocRefInterruptTablesEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  INTERRUPT_TABLE_PROTOCOL  *Interface;
  INTERRUPT_IOAPIC_TABLE    *IoApic;
  INTERRUPT_ROUTING_TABLE   *Routing;
  UINTN                     Row;
  EFI_STATUS                Status;

  Interface = AllocatePool (SOC_REF_INTERFACE_SIZE);
  IoApic    = AllocatePool (SOC_REF_IOAPIC_TABLE_SIZE);
  Routing   = AllocatePool (SOC_REF_ROUTING_TABLE_SIZE);
  if ((Interface == NULL) || (IoApic == NULL) || (Routing == NULL)) {
    return EFI_OUT_OF_RESOURCES;
  }

  SetMem (Interface, SOC_REF_INTERFACE_SIZE, SOC_REF_TABLE_FILL);
  SetMem (IoApic, SOC_REF_IOAPIC_TABLE_SIZE, SOC_REF_TABLE_FILL);
  SetMem (Routing, SOC_REF_ROUTING_TABLE_SIZE, SOC_REF_TABLE_FILL);
  Interface->RoutingTable = Routing;
  Interface->IoApicTable  = IoApic;
  IoApic->IoApicCount     = SOC_REF_IOAPIC_ROWS;
  Routing->RoutingCount   = SOC_REF_ROUTING_ROWS;
  for (Row = 0; Row < SOC_REF_IOAPIC_ROWS; Row++) {
    INTERRUPT_IOAPIC_ROW_AT (IoApic, Row)->BaseAddress = mIoApics[Row].BaseAddress;
    INTERRUPT_IOAPIC_ROW_AT (IoApic, Row)->ApicId      = mIoApics[Row].ApicId;
  }

  for (Row = 0; Row < SOC_REF_ROUTING_ROWS; Row++) {
    CopyMem (INTERRUPT_ROUTING_ROW_AT (Routing, Row)->Item, mRouting[Row], sizeof (mRouting[Row]));
  }

  // The drivers' notification runs during this install, at TPL_CALLBACK.
  Status = gBS->InstallProtocolInterface (&ImageHandle, &gInterruptTableProtocolGuid, EFI_NATIVE_INTERFACE, Interface);
  DEBUG ((
    DEBUG_INFO,
    "SocRefInterruptTables: installed (%r); I/O APIC 0xFEC00000 id 0x%08x, 0xFEC01000 id 0x%08x; routing 24:%02x 55:%02x | 24:%02x 55:%02x\n",
    Status,
    INTERRUPT_IOAPIC_ROW_AT (IoApic, 0)->ApicId,
    INTERRUPT_IOAPIC_ROW_AT (IoApic, 2)->ApicId,
    INTERRUPT_ROUTING_ROW_AT (Routing, 0)->Item[1].ApicId,
    INTERRUPT_ROUTING_ROW_AT (Routing, 0)->Item[2].ApicId,
    INTERRUPT_ROUTING_ROW_AT (Routing, 1)->Item[0].ApicId,
    INTERRUPT_ROUTING_ROW_AT (Routing, 1)->Item[1].ApicId
    ));
  return Status;
}
