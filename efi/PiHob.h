// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// HOB headers as PI 1.8 (volume 3, chapter 5) lays them out.
#pragma once

#include "efi/UefiBaseType.h"

#if !SOC_EDK2_BUILD
#define EFI_HOB_TYPE_HANDOFF 0x0001
#define EFI_HOB_TYPE_MEMORY_ALLOCATION 0x0002
#define EFI_HOB_TYPE_RESOURCE_DESCRIPTOR 0x0003
#define EFI_HOB_TYPE_GUID_EXTENSION 0x0004
#define EFI_HOB_TYPE_UNUSED 0xFFFE
#define EFI_HOB_TYPE_END_OF_HOB_LIST 0xFFFF

struct EFI_HOB_GENERIC_HEADER {
  UINT16 HobType;
  UINT16 HobLength;
  UINT32 Reserved;
};

struct EFI_HOB_HANDOFF_INFO_TABLE {
  EFI_HOB_GENERIC_HEADER Header;
  UINT32 Version;
  UINT32 BootMode;
  EFI_PHYSICAL_ADDRESS EfiMemoryTop;
  EFI_PHYSICAL_ADDRESS EfiMemoryBottom;
  EFI_PHYSICAL_ADDRESS EfiFreeMemoryTop;
  EFI_PHYSICAL_ADDRESS EfiFreeMemoryBottom;
  EFI_PHYSICAL_ADDRESS EfiEndOfHobList;
};

struct EFI_HOB_GUID_TYPE {
  EFI_HOB_GENERIC_HEADER Header;
  EFI_GUID Name;
};
#endif  // SOC_EDK2_BUILD

// The layout the drivers rely on, held to whichever definitions are in force.
static_assert(sizeof(EFI_HOB_GENERIC_HEADER) == 8, "EFI_HOB_GENERIC_HEADER");
static_assert(offsetof(EFI_HOB_GENERIC_HEADER, HobLength) == 2, "HobLength");
static_assert(offsetof(EFI_HOB_GUID_TYPE, Name) == 8, "EFI_HOB_GUID_TYPE.Name");
static_assert(sizeof(EFI_HOB_HANDOFF_INFO_TABLE) == 56, "EFI_HOB_HANDOFF_INFO_TABLE");
static_assert(offsetof(EFI_HOB_HANDOFF_INFO_TABLE, EfiEndOfHobList) == 48, "EfiEndOfHobList");
static_assert(EFI_HOB_TYPE_HANDOFF == 0x0001, "EFI_HOB_TYPE_HANDOFF 0x0001");
static_assert(sizeof(EFI_HOB_GUID_TYPE) == 24, "GUID HOB data starts at 24");
static_assert(EFI_HOB_TYPE_GUID_EXTENSION == 0x0004 && EFI_HOB_TYPE_END_OF_HOB_LIST == 0xFFFF,
              "EFI_HOB_TYPE_GUID_EXTENSION 0x0004, EFI_HOB_TYPE_END_OF_HOB_LIST 0xFFFF (PI 1.8, vol. 3, 5.2)");
