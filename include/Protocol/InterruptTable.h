/** @file
  INTERRUPT_TABLE_PROTOCOL: the platform's interrupt-controller tables, which another
  driver publishes. Whenever an instance is installed (and once at each driver's start),
  the SocDxe drivers locate the first installed instance and, for the I/O APIC at
  0xFEC00000 with the identifier of PCD token 150, then the one at 0xFEC01000 with that of
  token 152:
    1. write the new identifier, zero-extended, to ApicId of every I/O APIC row whose
       BaseAddress is that address; the former identifier is the low byte of the last such
       row's ApicId;
    2. write the new identifier to ApicId of every routing item whose ApicId equals the
       former identifier and whose InputNumber is 24..55; other items are left alone.
  When no row has that address, the I/O APIC table is left alone and the former
  identifier is taken to be 1: routing items with ApicId 1 and an input in 24..55 then
  receive the new identifier. The work is idempotent.

  Only the fields below bind; the other bytes of the interface, the tables and their rows
  are the producer's and are left alone. The table fields are not naturally aligned, so
  every record is byte-packed.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_INTERRUPT_TABLE_PROTOCOL_H_
#define SOC_INTERRUPT_TABLE_PROTOCOL_H_

#include <SocDxeLayout.h>

#define INTERRUPT_TABLE_PROTOCOL_GUID \
  { 0x4FC0733F, 0x6FD2, 0x491B, { 0xA8, 0x90, 0x53, 0x74, 0x52, 0x1B, 0xF4, 0x8F } }

#pragma pack(1)

///
/// One I/O APIC: its 64-bit physical base address and its identifier, whose low byte is
/// read and whose whole 32-bit field is written.
///
typedef struct {
  UINT64    BaseAddress;        ///< Physical base address of the I/O APIC.
  UINT32    ApicId;             ///< Identifier; the low byte is the identifier read.
  UINT8     ProducerBytes[12];
} INTERRUPT_IOAPIC_ROW;

///
/// The I/O APIC table: IoApicCount rows follow this header.
///
typedef struct {
  UINT8     ProducerBytes[16];
  UINT32    IoApicCount;        ///< Rows that follow, 24 bytes each.
} INTERRUPT_IOAPIC_TABLE;

///
/// One routing item: an input number and the identifier of the I/O APIC it goes to.
///
typedef struct {
  UINT8    InputNumber;  ///< Only items with 24..55 are re-targeted.
  UINT8    ApicId;       ///< Identifier of the I/O APIC the input goes to.
} INTERRUPT_ROUTING_ITEM;

#define INTERRUPT_ROUTING_ITEMS_PER_ROW  4

///
/// One routing row, 345 bytes: four items, then bytes of the producer's.
///
typedef struct {
  INTERRUPT_ROUTING_ITEM    Item[INTERRUPT_ROUTING_ITEMS_PER_ROW];
  UINT8                     ProducerBytes[337];
} INTERRUPT_ROUTING_ROW;

///
/// The routing table: RoutingCount rows follow this header.
///
typedef struct {
  UINT8     ProducerBytes[24];
  UINT32    RoutingCount;         ///< Rows that follow, 345 bytes each.
  UINT8     MoreProducerBytes[45];
} INTERRUPT_ROUTING_TABLE;

typedef struct {
  UINT8                      ProducerBytes[16];
  INTERRUPT_ROUTING_TABLE    *RoutingTable;       ///< At byte offset 16.
  UINT8                      MoreProducerBytes[8];
  INTERRUPT_IOAPIC_TABLE     *IoApicTable;        ///< At byte offset 32.
} INTERRUPT_TABLE_PROTOCOL;

#pragma pack()

///
/// Row Index of a table: the rows follow the table's header with no gap.
///
#define INTERRUPT_IOAPIC_ROW_AT(Table, Index) \
  ((INTERRUPT_IOAPIC_ROW *)((UINT8 *)(Table) + sizeof (INTERRUPT_IOAPIC_TABLE) + (Index) * sizeof (INTERRUPT_IOAPIC_ROW)))
#define INTERRUPT_ROUTING_ROW_AT(Table, Index) \
  ((INTERRUPT_ROUTING_ROW *)((UINT8 *)(Table) + sizeof (INTERRUPT_ROUTING_TABLE) + (Index) * sizeof (INTERRUPT_ROUTING_ROW)))

SOC_DXE_FIELD (INTERRUPT_TABLE_PROTOCOL, RoutingTable, 16, 8);
SOC_DXE_FIELD (INTERRUPT_TABLE_PROTOCOL, IoApicTable, 32, 8);
SOC_DXE_SIZE (INTERRUPT_IOAPIC_TABLE, 20);
SOC_DXE_FIELD (INTERRUPT_IOAPIC_TABLE, IoApicCount, 16, 4);
SOC_DXE_SIZE (INTERRUPT_IOAPIC_ROW, 24);
SOC_DXE_FIELD (INTERRUPT_IOAPIC_ROW, BaseAddress, 0, 8);
SOC_DXE_FIELD (INTERRUPT_IOAPIC_ROW, ApicId, 8, 4);
SOC_DXE_SIZE (INTERRUPT_ROUTING_TABLE, 73);
SOC_DXE_FIELD (INTERRUPT_ROUTING_TABLE, RoutingCount, 24, 4);
SOC_DXE_SIZE (INTERRUPT_ROUTING_ITEM, 2);
SOC_DXE_FIELD (INTERRUPT_ROUTING_ITEM, InputNumber, 0, 1);
SOC_DXE_FIELD (INTERRUPT_ROUTING_ITEM, ApicId, 1, 1);
SOC_DXE_SIZE (INTERRUPT_ROUTING_ROW, 345);
SOC_DXE_FIELD (INTERRUPT_ROUTING_ROW, Item, 0, 8);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gInterruptTableProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
