/** @file
  "HEAP" GUID HOBs: buffers that the PEI phase hands to DXE. The HOB's data starts with a
  HEAP_HOB_HEADER, and DataSize bytes of buffer follow it inside the same HOB. The first
  SocDxe driver to start copies every HOB with the "HEAP" signature and MigrateFlag 1 into
  pool memory, runtime-services pool for PoolSelector 8 and boot-services pool otherwise,
  and publishes the copies through HEAP_LIST_PROTOCOL. A HOB whose DataSize runs past its
  end is left out.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_HEAP_HOB_GUID_H_
#define SOC_HEAP_HOB_GUID_H_

#include <SocDxeLayout.h>

#define HEAP_HOB_GUID \
  { 0xD97D161A, 0x16CD, 0x4ADA, { 0xB9, 0xF6, 0xAE, 0xC3, 0xF9, 0xFC, 0xCC, 0x2C } }

///
/// "HEAP" read as a little-endian UINT32.
///
#define HEAP_HOB_SIGNATURE          0x50414548U
#define HEAP_POOL_SELECTOR_RUNTIME  8
#define HEAP_MIGRATE_FLAG_MIGRATE   1

#pragma pack(1)
typedef struct {
  UINT32    Signature;     ///< HEAP_HOB_SIGNATURE; a HOB with another is not migrated.
  UINT32    Reserved4;     ///< Not interpreted; travels with the header.
  UINT32    DataSize;      ///< Bytes of buffer after the header; must fit in the HOB.
  UINT8     PoolSelector;  ///< HEAP_POOL_SELECTOR_RUNTIME: runtime-services pool; else boot-services.
  UINT8     MigrateFlag;   ///< HEAP_MIGRATE_FLAG_MIGRATE to migrate; any other value: left alone.
  UINT16    Reserved14;    ///< Not interpreted; travels with the header.
} HEAP_HOB_HEADER;
#pragma pack()

SOC_DXE_SIZE (HEAP_HOB_HEADER, 16);
SOC_DXE_FIELD (HEAP_HOB_HEADER, Signature, 0, 4);
SOC_DXE_FIELD (HEAP_HOB_HEADER, Reserved4, 4, 4);
SOC_DXE_FIELD (HEAP_HOB_HEADER, DataSize, 8, 4);
SOC_DXE_FIELD (HEAP_HOB_HEADER, PoolSelector, 12, 1);
SOC_DXE_FIELD (HEAP_HOB_HEADER, MigrateFlag, 13, 1);
SOC_DXE_FIELD (HEAP_HOB_HEADER, Reserved14, 14, 2);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gHeapHobGuid;

#ifdef __cplusplus
}
#endif

#endif
