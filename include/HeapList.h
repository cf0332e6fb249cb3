// Records of the heap hand-off: the "HEAP" HOB header, the pool node that carries one
// migrated buffer, and HEAP_LIST_PROTOCOL. Other drivers read all three, so the layouts
// are fixed.
#pragma once

#include "uefi/Uefi.h"

// "HEAP" read as a little-endian UINT32.
#define HEAP_HOB_SIGNATURE 0x50414548U
// PoolSelector value that asks for runtime-services pool.
#define HEAP_POOL_SELECTOR_RUNTIME 8
#define HEAP_MIGRATE_FLAG_MIGRATE 1

// The first 16 bytes of a "HEAP" HOB's data; DataSize bytes of buffer follow it.
#pragma pack(push, 1)
struct HEAP_HOB_HEADER {
  UINT32 Signature;
  UINT32 Reserved4;  // not interpreted; travels with the header
  UINT32 DataSize;
  UINT8 PoolSelector;
  UINT8 MigrateFlag;
  UINT16 Reserved14;  // not interpreted; travels with the header
};
#pragma pack(pop)
static_assert(sizeof(HEAP_HOB_HEADER) == 16, "HEAP_HOB_HEADER is 16 bytes");
static_assert(offsetof(HEAP_HOB_HEADER, Signature) == 0, "HEAP_HOB_HEADER.Signature");
static_assert(offsetof(HEAP_HOB_HEADER, Reserved4) == 4, "HEAP_HOB_HEADER.Reserved4");
static_assert(offsetof(HEAP_HOB_HEADER, DataSize) == 8, "HEAP_HOB_HEADER.DataSize");
static_assert(offsetof(HEAP_HOB_HEADER, PoolSelector) == 12, "HEAP_HOB_HEADER.PoolSelector");
static_assert(offsetof(HEAP_HOB_HEADER, MigrateFlag) == 13, "HEAP_HOB_HEADER.MigrateFlag");
static_assert(offsetof(HEAP_HOB_HEADER, Reserved14) == 14, "HEAP_HOB_HEADER.Reserved14");

// One pool allocation of sizeof(HEAP_NODE) + DataSize bytes; the data follows the header.
struct HEAP_NODE {
  LIST_ENTRY Link;
  HEAP_HOB_HEADER Header;
};
static_assert(sizeof(HEAP_NODE) == 32, "HEAP_NODE data starts at 32");
static_assert(offsetof(HEAP_NODE, Link) == 0, "HEAP_NODE.Link");
static_assert(offsetof(HEAP_NODE, Header) == 16, "HEAP_NODE.Header");

inline UINT8 *HeapNodeData(HEAP_NODE *Node) { return reinterpret_cast<UINT8 *>(Node) + sizeof(HEAP_NODE); }

struct HEAP_LIST_PROTOCOL {
  UINT64 Revision;
  LIST_ENTRY HeapList;  // head of the HEAP_NODE list, in HOB order
};
static_assert(sizeof(HEAP_LIST_PROTOCOL) == 24, "HEAP_LIST_PROTOCOL");
static_assert(offsetof(HEAP_LIST_PROTOCOL, Revision) == 0, "HEAP_LIST_PROTOCOL.Revision");
static_assert(offsetof(HEAP_LIST_PROTOCOL, HeapList) == 8, "HEAP_LIST_PROTOCOL.HeapList");

#define HEAP_LIST_PROTOCOL_REVISION 1
