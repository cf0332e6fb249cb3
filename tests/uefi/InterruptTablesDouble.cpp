// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The interrupt tables of another driver, in pool, laid out by tests/common/InterruptTableImage.h.
#include "tests/uefi/Doubles.h"

#include "tests/common/InterruptTableImage.h"
#include "tests/common/Published.h"

bool AllocateInterruptTables(INTERRUPT_TABLES *Tables, UINT32 IoApicRows, UINT32 RoutingRows, UINT8 Fill) {
  *Tables = {};
  Tables->InterfaceSize = tables::kInterfaceSize;
  Tables->IoApicSize = tables::IoApicTableSize(IoApicRows) + 16;
  Tables->RoutingSize = tables::RoutingTableSize(RoutingRows) + 16;
  VOID *Interface = NULL;
  VOID *IoApic = NULL;
  VOID *Routing = NULL;
  if (EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->InterfaceSize, &Interface)) ||
      EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->IoApicSize, &IoApic)) ||
      EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->RoutingSize, &Routing))) {
    return false;
  }
  Tables->Interface = static_cast<UINT8 *>(Interface);
  Tables->IoApic = static_cast<UINT8 *>(IoApic);
  Tables->Routing = static_cast<UINT8 *>(Routing);
  gBS->SetMem(Tables->Interface, Tables->InterfaceSize, Fill);
  gBS->SetMem(Tables->IoApic, Tables->IoApicSize, Fill);
  gBS->SetMem(Tables->Routing, Tables->RoutingSize, Fill);
  tables::SetRoutingTable(Tables->Interface, Tables->Routing);
  tables::SetIoApicTable(Tables->Interface, Tables->IoApic);
  tables::SetIoApicCount(Tables->IoApic, IoApicRows);
  tables::SetRoutingCount(Tables->Routing, RoutingRows);
  return true;
}

void SetIoApicRow(INTERRUPT_TABLES *Tables, UINT32 Row, UINT64 BaseAddress, UINT32 ApicId) {
  tables::SetIoApicRow(Tables->IoApic, Row, BaseAddress, ApicId);
}

void SetRoutingItem(INTERRUPT_TABLES *Tables, UINT32 Row, UINT32 Item, UINT8 InputNumber, UINT8 ApicId) {
  tables::SetRoutingItem(Tables->Routing, Row, Item, InputNumber, ApicId);
}

UINT32 IoApicRowId(const INTERRUPT_TABLES &Tables, UINT32 Row) { return tables::IoApicRowId(Tables.IoApic, Row); }

UINT8 RoutingItemId(const INTERRUPT_TABLES &Tables, UINT32 Row, UINT32 Item) {
  return tables::RoutingItemId(Tables.Routing, Row, Item);
}

bool CopyInterruptTables(const INTERRUPT_TABLES &From, INTERRUPT_TABLES *To) {
  const UINT32 IoApicRows = tables::IoApicCount(From.IoApic);
  const UINT32 RoutingRows = tables::RoutingCount(From.Routing);
  if (!AllocateInterruptTables(To, IoApicRows, RoutingRows, 0)) {
    return false;
  }
  gBS->CopyMem(To->Interface, From.Interface, From.InterfaceSize);
  gBS->CopyMem(To->IoApic, From.IoApic, From.IoApicSize);
  gBS->CopyMem(To->Routing, From.Routing, From.RoutingSize);
  return true;
}

void FreeInterruptTables(INTERRUPT_TABLES *Tables) {
  if (Tables->Interface != NULL) gBS->FreePool(Tables->Interface);
  if (Tables->IoApic != NULL) gBS->FreePool(Tables->IoApic);
  if (Tables->Routing != NULL) gBS->FreePool(Tables->Routing);
  *Tables = {};
}
