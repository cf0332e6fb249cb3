// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "testing/sim/InterruptTables.h"

#include "tests/common/InterruptTableImage.h"

#include <stdexcept>

namespace sim {

namespace {
// Every field the tests name lies inside its table; a row or item past the end throws.
void Within(const std::vector<UINT8> &Bytes, size_t End) {
  if (End > Bytes.size()) throw std::out_of_range("interrupt table field out of range");
}
void WithinRow(size_t Item) {
  if (Item >= tables::kItemsPerRow) throw std::out_of_range("a routing row has four items");
}
}  // namespace

InterruptTables::InterruptTables(size_t IoApicRows, size_t RoutingRows, UINT8 Fill)
    : Protocol(tables::kInterfaceSize, Fill), IoApic(tables::IoApicTableSize(IoApicRows), Fill),
      Routing(tables::RoutingTableSize(RoutingRows), Fill) {
  tables::SetRoutingTable(Protocol.data(), Routing.data());
  tables::SetIoApicTable(Protocol.data(), IoApic.data());
  tables::SetIoApicCount(IoApic.data(), static_cast<UINT32>(IoApicRows));
  tables::SetRoutingCount(Routing.data(), static_cast<UINT32>(RoutingRows));
  // Rows nobody sets must not match by accident.
  for (size_t Row = 0; Row < IoApicRows; Row++) SetIoApic(Row, 0xFFFFFFFFFFFFFFFFULL, 0xEE);
  for (size_t Row = 0; Row < RoutingRows; Row++) {
    for (size_t Item = 0; Item < tables::kItemsPerRow; Item++) SetItem(Row, Item, 0, 0xEE);
  }
}

void InterruptTables::SetIoApic(size_t Row, UINT64 BaseAddress, UINT32 Id) {
  Within(IoApic, tables::IoApicIdAt(Row) + 4);
  tables::SetIoApicRow(IoApic.data(), Row, BaseAddress, Id);
}

UINT32 InterruptTables::ApicId(size_t Row) const {
  Within(IoApic, tables::IoApicIdAt(Row) + 4);
  return tables::IoApicRowId(IoApic.data(), Row);
}

void InterruptTables::SetIoApicCount(UINT32 Count) { tables::SetIoApicCount(IoApic.data(), Count); }

void InterruptTables::SetItem(size_t Row, size_t Item, UINT8 InputNumber, UINT8 Id) {
  WithinRow(Item);
  Within(Routing, tables::ItemAt(Row, Item) + 2);
  tables::SetRoutingItem(Routing.data(), Row, Item, InputNumber, Id);
}

UINT8 InterruptTables::ItemApicId(size_t Row, size_t Item) const {
  WithinRow(Item);
  Within(Routing, tables::ItemAt(Row, Item) + 2);
  return tables::RoutingItemId(Routing.data(), Row, Item);
}

void InterruptTables::SetRoutingCount(UINT32 Count) { tables::SetRoutingCount(Routing.data(), Count); }

void InterruptTables::DropIoApicTable() { tables::SetIoApicTable(Protocol.data(), nullptr); }

void InterruptTables::DropRoutingTable() { tables::SetRoutingTable(Protocol.data(), nullptr); }

}  // namespace sim
