// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The GUIDs of MdePkg that the drivers name, for this tree's own builds: MdePkg's C names
// and initializer macros. Built by EDK2, AutoGen.h declares the names instead.
#pragma once

#include "efi/UefiBaseType.h"

#if !SOC_EDK2_BUILD
// PI 1.8, vol. 3, 5.3: the HOB list in the configuration table.
#define HOB_LIST_GUID {0x7739F24C, 0x93D7, 0x11D4, {0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D}}
// PI 1.8, vol. 2, 9.1: the DXE services table in the configuration table.
#define DXE_SERVICES_TABLE_GUID {0x05AD34BA, 0x6F02, 0x4214, {0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9}}
// PI 1.8, vol. 3, 10.4 and 10.5: PCD_PROTOCOL and EFI_PCD_PROTOCOL.
#define PCD_PROTOCOL_GUID {0x11B34006, 0xD85B, 0x4D0A, {0xA2, 0x90, 0xD5, 0xA5, 0x71, 0x31, 0x0E, 0xF7}}
#define EFI_PCD_PROTOCOL_GUID {0x13A3F0F6, 0x264A, 0x3EF0, {0xF2, 0xE0, 0xDE, 0xC5, 0x12, 0x34, 0x2F, 0x34}}

extern "C" {
extern EFI_GUID gEfiHobListGuid;
extern EFI_GUID gEfiDxeServicesTableGuid;
extern EFI_GUID gPcdProtocolGuid;
extern EFI_GUID gEfiPcdProtocolGuid;
}
#endif
