// The outside INTERRUPT_TABLE_PROTOCOL as far as the I/O APIC fix-up relies on it: the
// interface holds two table pointers, and both tables are laid out by byte offset. None
// of these fields is naturally aligned, so every access goes byte-wise.
#pragma once

// Interface: pointers to the two tables.
#define INTERRUPT_TABLE_ROUTING_TABLE 16
#define INTERRUPT_TABLE_IOAPIC_TABLE 32

// I/O APIC table: UINT32 count, then rows of 24 bytes with a UINT64 base address and a
// 32-bit identifier field whose low byte is the identifier.
#define IOAPIC_TABLE_COUNT 16
#define IOAPIC_ROW_BASE_ADDRESS 20
#define IOAPIC_ROW_APIC_ID 28
#define IOAPIC_ROW_STRIDE 24

// Routing table: UINT32 count, then rows of 345 bytes holding four 2-byte items of an
// input number and the identifier of the I/O APIC it goes to.
#define ROUTING_TABLE_COUNT 24
#define ROUTING_ITEM_INPUT_NUMBER 73
#define ROUTING_ITEM_APIC_ID 74
#define ROUTING_ROW_STRIDE 345
#define ROUTING_ITEM_STRIDE 2
#define ROUTING_ITEMS_PER_ROW 4
