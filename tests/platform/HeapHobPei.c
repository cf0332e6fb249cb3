/** @file
  The reference platform's source of "HEAP" hand-off buffers: GUID HOBs built in PEI once
  memory is there, which the PEI-to-DXE hand-off carries to the drivers. Eligible ones of
  both pool kinds, empty and most of a page, and three that no driver may migrate.
**/
#include <PiPei.h>
#include <Library/HobLib.h>

#pragma pack(1)
typedef struct {
  UINT32    Signature;
  UINT32    Reserved4;
  UINT32    DataSize;
  UINT8     PoolSelector;
  UINT8     MigrateFlag;
  UINT16    Reserved14;
} HEAP_HOB_HEADER;
#pragma pack()

typedef struct {
  UINT32    Signature;
  UINT32    DataSize;
  UINT8     PoolSelector;
  UINT8     MigrateFlag;
} HEAP_HOB_CASE;

STATIC CONST HEAP_HOB_CASE  mCases[] = {
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 48,   8, 1 },  // runtime-services pool
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 3000, 0, 1 },  // boot-services pool, most of a page
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 32,   0, 0 },  // not to be migrated
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 0,    9, 1 },  // empty; any selector but 8 is boot pool
  { SIGNATURE_32 ('H', 'E', 'A', 'Q'), 16,   8, 1 },  // another signature
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 5,    8, 2 },  // a flag other than 1
  { SIGNATURE_32 ('H', 'E', 'A', 'P'), 777,  8, 1 },
};

EFI_STATUS
EFIAPI
HeapHobPeiEntry (
  IN EFI_PEI_FILE_HANDLE     FileHandle,
  IN CONST EFI_PEI_SERVICES  **PeiServices
  )
{
  UINTN            Index;
  UINTN            Byte;
  HEAP_HOB_HEADER  *Header;
  UINT8            *Data;

  for (Index = 0; Index < ARRAY_SIZE (mCases); Index++) {
    Header = BuildGuidHob (&gHeapHobGuid, sizeof (HEAP_HOB_HEADER) + mCases[Index].DataSize);
    if (Header == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    Header->Signature    = mCases[Index].Signature;
    Header->Reserved4    = 0x52455600 + (UINT32)Index;
    Header->DataSize     = mCases[Index].DataSize;
    Header->PoolSelector = mCases[Index].PoolSelector;
    Header->MigrateFlag  = mCases[Index].MigrateFlag;
    Header->Reserved14   = (UINT16)(0xBE00 + Index);
    Data                 = (UINT8 *)(Header + 1);
    for (Byte = 0; Byte < mCases[Index].DataSize; Byte++) {
      Data[Byte] = (UINT8)(Byte * 13 + Index * 29);
    }
  }

  return EFI_SUCCESS;
}
