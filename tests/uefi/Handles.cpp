// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "tests/uefi/Handles.h"

#include "tests/common/Published.h"
#include "tests/uefi/Harness.h"
#include "efi/LoadedImage.h"

namespace {

struct GUID_NAME {
  const EFI_GUID *Guid;
  const char *Name;
};

const GUID_NAME kGuidNames[] = {
    {&gEfiLoadedImageProtocolGuid, "EFI_LOADED_IMAGE_PROTOCOL"},
    {&gEfiLoadedImageDevicePathProtocolGuid, "EFI_LOADED_IMAGE_DEVICE_PATH_PROTOCOL"},
    {&gPcdProtocolGuid, "PCD_PROTOCOL"},
    {&gEfiPcdProtocolGuid, "EFI_PCD_PROTOCOL"},
    {&gDebugPrintProtocolGuid, "DEBUG_PRINT_PROTOCOL"},
    {&gRegisterAccessProtocolGuid, "REGISTER_ACCESS_PROTOCOL"},
    {&gInterruptTableProtocolGuid, "INTERRUPT_TABLE_PROTOCOL"},
    {&gHeapListProtocolGuid, "HEAP_LIST_PROTOCOL"},
    {&gProcessorClassProtocolGuid, "PROCESSOR_CLASS_PROTOCOL"},
    {&gPlatformInfoProtocolGuid, "PLATFORM_INFO_PROTOCOL"},
};

}  // namespace

PROTOCOL_LIST ListProtocols(EFI_HANDLE Handle) {
  PROTOCOL_LIST List = {EFI_NOT_FOUND, NULL, 0};
  List.Status = gBS->ProtocolsPerHandle(Handle, &List.Guids, &List.Count);
  if (EFI_ERROR(List.Status)) {
    List.Guids = NULL;
    List.Count = 0;
  }
  return List;
}

void FreeProtocolList(PROTOCOL_LIST *List) {
  if (List->Guids != NULL) {
    gBS->FreePool(List->Guids);
  }
  List->Guids = NULL;
  List->Count = 0;
}

bool ListHas(const PROTOCOL_LIST &List, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < List.Count; Index++) {
    if (GuidEquals(List.Guids[Index], Guid)) {
      return true;
    }
  }
  return false;
}

const char *GuidName(const EFI_GUID *Guid) {
  for (const GUID_NAME &Entry : kGuidNames) {
    if (GuidEquals(Entry.Guid, Guid)) {
      return Entry.Name;
    }
  }
  return NULL;
}

VOID *ConfigurationTable(const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < gST->NumberOfTableEntries; Index++) {
    if (GuidEquals(&gST->ConfigurationTable[Index].VendorGuid, Guid)) {
      return gST->ConfigurationTable[Index].VendorTable;
    }
  }
  return NULL;
}
