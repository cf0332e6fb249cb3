/** @file
  The reference platform's source of "HEAP" hand-off buffers: GUID HOBs built in PEI once
  memory is there, which the PEI-to-DXE hand-off carries to the drivers. Eligible ones of
  both pool kinds, empty and most of a page, and three that no driver may migrate.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/
#include <PiPei.h>
#include <Library/BaseMemoryLib.h>
#include <Library/HobLib.h>
#include <Guid/HeapHob.h>

#define HEAP  HEAP_HOB_SIGNATURE

// Reserved4 and Reserved14 carry values of their own, which travel with the header.
STATIC CONST HEAP_HOB_HEADER  mHobs[] = {
  { HEAP,                               0x52455600, 48,   8, 1, 0xBE00 }, // runtime-services pool
  { HEAP,                               0x52455601, 3000, 0, 1, 0xBE01 }, // boot-services pool
  { HEAP,                               0x52455602, 32,   0, 0, 0xBE02 }, // not to be migrated
  { HEAP,                               0x52455603, 0,    9, 1, 0xBE03 }, // empty; not 8: boot pool
  { SIGNATURE_32 ('H', 'E', 'A', 'Q'),  0x52455604, 16,   8, 1, 0xBE04 }, // another signature
  { HEAP,                               0x52455605, 5,    8, 2, 0xBE05 }, // a flag other than 1
  { HEAP,                               0x52455606, 777,  8, 1, 0xBE06 },
};

EFI_STATUS
EFIAPI
HeapHobPeiEntry (
  IN EFI_PEI_FILE_HANDLE     FileHandle,
  IN CONST EFI_PEI_SERVICES  **PeiServices
  )
{
  UINTN  Index;
  UINTN  Byte;
  UINT8  *Hob;

  for (Index = 0; Index < ARRAY_SIZE (mHobs); Index++) {
    Hob = BuildGuidHob (&gHeapHobGuid, sizeof (HEAP_HOB_HEADER) + mHobs[Index].DataSize);
    if (Hob == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    CopyMem (Hob, &mHobs[Index], sizeof (HEAP_HOB_HEADER));
    for (Byte = 0; Byte < mHobs[Index].DataSize; Byte++) {
      Hob[sizeof (HEAP_HOB_HEADER) + Byte] = (UINT8)(Byte * 13 + Index * 29);
    }
  }

  return EFI_SUCCESS;
}
