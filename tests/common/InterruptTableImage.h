// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The interrupt tables another driver publishes, as bytes at offsets of their own (not the
// drivers' header): the interface holds the routing table's address at 16 and the I/O APIC
// table's at 32; the I/O APIC table its row count at 16 and 24-byte rows from 20, each with
// the 64-bit base address at 0 and the 32-bit identifier at 8; the routing table its row
// count at 24 and 345-byte rows from 73, each with four 2-byte items (input, identifier).
// No library: the host simulator and the test application's doubles both build on it.
#pragma once

#include "efi/Uefi.h"

namespace tables {

inline constexpr UINTN kInterfaceSize = 40;
inline constexpr UINTN kItemsPerRow = 4;
inline UINTN IoApicTableSize(UINTN Rows) { return 20 + 24 * Rows; }
inline UINTN RoutingTableSize(UINTN Rows) { return 73 + 345 * Rows; }
inline UINTN IoApicIdAt(UINTN Row) { return 28 + 24 * Row; }
inline UINTN ItemAt(UINTN Row, UINTN Item) { return 73 + 345 * Row + 2 * Item; }

inline void Store(UINT8 *At, UINT64 Value, UINTN Bytes) {
  for (UINTN I = 0; I < Bytes; I++) {
    At[I] = static_cast<UINT8>(Value >> (8 * I));
  }
}
inline UINT64 Load(const UINT8 *At, UINTN Bytes) {
  UINT64 Value = 0;
  for (UINTN I = Bytes; I-- > 0;) {
    Value = (Value << 8) | At[I];
  }
  return Value;
}

// The tables the interface names (NULL: none), and each table's row count.
inline void SetRoutingTable(UINT8 *Interface, const UINT8 *Routing) { Store(Interface + 16, reinterpret_cast<UINT64>(Routing), 8); }
inline void SetIoApicTable(UINT8 *Interface, const UINT8 *IoApic) { Store(Interface + 32, reinterpret_cast<UINT64>(IoApic), 8); }
inline void SetIoApicCount(UINT8 *IoApic, UINT32 Rows) { Store(IoApic + 16, Rows, 4); }
inline UINT32 IoApicCount(const UINT8 *IoApic) { return static_cast<UINT32>(Load(IoApic + 16, 4)); }
inline void SetRoutingCount(UINT8 *Routing, UINT32 Rows) { Store(Routing + 24, Rows, 4); }
inline UINT32 RoutingCount(const UINT8 *Routing) { return static_cast<UINT32>(Load(Routing + 24, 4)); }

inline void SetIoApicRow(UINT8 *IoApic, UINTN Row, UINT64 BaseAddress, UINT32 Id) {
  Store(IoApic + 20 + 24 * Row, BaseAddress, 8);
  Store(IoApic + IoApicIdAt(Row), Id, 4);
}
inline UINT32 IoApicRowId(const UINT8 *IoApic, UINTN Row) { return static_cast<UINT32>(Load(IoApic + IoApicIdAt(Row), 4)); }

inline void SetRoutingItem(UINT8 *Routing, UINTN Row, UINTN Item, UINT8 InputNumber, UINT8 Id) {
  Routing[ItemAt(Row, Item)] = InputNumber;
  Routing[ItemAt(Row, Item) + 1] = Id;
}
inline UINT8 RoutingItemId(const UINT8 *Routing, UINTN Row, UINTN Item) { return Routing[ItemAt(Row, Item) + 1]; }

}  // namespace tables
