/** @file
  HEAP_LIST_PROTOCOL: the "HEAP" hand-off buffers (Guid/HeapHob.h) migrated into pool
  memory, as a list of HEAP_NODEs in HOB order. The first SocDxe driver to start installs
  it on a new handle; later ones adopt the list. The nodes are never freed and belong to
  the readers of the protocol.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_HEAP_LIST_PROTOCOL_H_
#define SOC_HEAP_LIST_PROTOCOL_H_

#include <SocDxeLayout.h>
#include <Guid/HeapHob.h>

#define HEAP_LIST_PROTOCOL_GUID \
  { 0xAF62673D, 0xDEDA, 0x43AE, { 0x8F, 0x03, 0x9C, 0x2D, 0x89, 0xFD, 0x78, 0xDA } }

#define HEAP_LIST_PROTOCOL_REVISION  1

///
/// One pool allocation of sizeof (HEAP_NODE) + Header.DataSize bytes: the buffer's
/// bytes follow the node, at Data. C++ has no flexible array member, so there the node
/// ends at Header and HEAP_NODE_DATA gives the same address.
///
typedef struct {
  LIST_ENTRY         Link;    ///< Links the node into HEAP_LIST_PROTOCOL.HeapList.
  HEAP_HOB_HEADER    Header;  ///< The HOB's header, as the HOB held it.
#ifndef __cplusplus
  UINT8              Data[];  ///< Header.DataSize bytes of the buffer.
#endif
} HEAP_NODE;

#define HEAP_NODE_DATA(Node)  ((UINT8 *)(Node) + sizeof (HEAP_NODE))

typedef struct {
  UINT64        Revision;   ///< HEAP_LIST_PROTOCOL_REVISION
  LIST_ENTRY    HeapList;   ///< Head of the HEAP_NODE list, linked through HEAP_NODE.Link.
} HEAP_LIST_PROTOCOL;

SOC_DXE_SIZE (HEAP_NODE, 32);
SOC_DXE_FIELD (HEAP_NODE, Link, 0, 16);
SOC_DXE_FIELD (HEAP_NODE, Header, 16, 16);
#ifndef __cplusplus
SOC_DXE_ASSERT (OFFSET_OF (HEAP_NODE, Data) == 32, "HEAP_NODE.Data is at byte 32");
#endif
SOC_DXE_SIZE (HEAP_LIST_PROTOCOL, 24);
SOC_DXE_FIELD (HEAP_LIST_PROTOCOL, Revision, 0, 8);
SOC_DXE_FIELD (HEAP_LIST_PROTOCOL, HeapList, 8, 16);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gHeapListProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
