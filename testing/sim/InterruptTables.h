// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The outside INTERRUPT_TABLE_PROTOCOL as the driver sees it: an interface record with
// the routing-table pointer at byte 16 and the I/O APIC table pointer at byte 32, and the
// two tables laid out by byte offset. Every byte the driver must not touch holds a fill
// pattern, so a test can compare whole tables.
#pragma once

#include <cstddef>
#include <vector>

#include "efi/Uefi.h"

namespace sim {

class InterruptTables {
 public:
  InterruptTables(size_t IoApicRows, size_t RoutingRows, UINT8 Fill = 0xC5);

  VOID *Interface() { return Protocol.data(); }

  // I/O APIC table: count at 16, rows of 24 bytes with BaseAddress at 20 + 24i and the
  // 32-bit ApicId at 28 + 24i.
  void SetIoApic(size_t Row, UINT64 BaseAddress, UINT32 ApicId);
  UINT32 ApicId(size_t Row) const;
  void SetIoApicCount(UINT32 Count);

  // Routing table: count at 24, rows of 345 bytes, four 2-byte items per row with
  // InputNumber at 73 + 345r + 2j and ApicId right after it.
  void SetItem(size_t Row, size_t Item, UINT8 InputNumber, UINT8 ApicId);
  UINT8 ItemApicId(size_t Row, size_t Item) const;
  void SetRoutingCount(UINT32 Count);

  // Leave a table out of the interface (its pointer reads NULL).
  void DropIoApicTable();
  void DropRoutingTable();

  const std::vector<UINT8> &IoApicBytes() const { return IoApic; }
  const std::vector<UINT8> &RoutingBytes() const { return Routing; }
  const std::vector<UINT8> &InterfaceBytes() const { return Protocol; }

 private:
  std::vector<UINT8> Protocol;
  std::vector<UINT8> IoApic;
  std::vector<UINT8> Routing;
};

}  // namespace sim
