/** @file
  Module-presence GUIDs of SocDxeM60 (family 19h, models 60h to 6Fh): the ones both
  drivers install, and these thirteen, which only SocDxeM60 installs. A module whose
  dependency expression waits on one of these thirteen is dispatched only on a
  processor SocDxeM60 serves.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_DXE_M60_PRESENCE_GUID_H_
#define SOC_DXE_M60_PRESENCE_GUID_H_

#include <Guid/SocDxePresence.h>

/// {B0225F63-1E64-42BF-BCDB-3AF9D0131F7A}
#define MODULE_PRESENCE_B0225F63_GUID \
  { 0xB0225F63, 0x1E64, 0x42BF, { 0xBC, 0xDB, 0x3A, 0xF9, 0xD0, 0x13, 0x1F, 0x7A } }
/// {EBB11F94-01FD-4C06-B7D2-82543E109F7C}
#define MODULE_PRESENCE_EBB11F94_GUID \
  { 0xEBB11F94, 0x01FD, 0x4C06, { 0xB7, 0xD2, 0x82, 0x54, 0x3E, 0x10, 0x9F, 0x7C } }
/// {84F3346F-BA7C-4E2B-BF42-A44440D4BE79}
#define MODULE_PRESENCE_84F3346F_GUID \
  { 0x84F3346F, 0xBA7C, 0x4E2B, { 0xBF, 0x42, 0xA4, 0x44, 0x40, 0xD4, 0xBE, 0x79 } }
/// {A6AF455B-8751-4970-8487-CC7710B616F6}
#define MODULE_PRESENCE_A6AF455B_GUID \
  { 0xA6AF455B, 0x8751, 0x4970, { 0x84, 0x87, 0xCC, 0x77, 0x10, 0xB6, 0x16, 0xF6 } }
/// {72223939-14A1-4676-9E68-2E883682CF9B}
#define MODULE_PRESENCE_72223939_GUID \
  { 0x72223939, 0x14A1, 0x4676, { 0x9E, 0x68, 0x2E, 0x88, 0x36, 0x82, 0xCF, 0x9B } }
/// {49E0132B-9DDF-45F7-BC38-A6AA79658FEC}
#define MODULE_PRESENCE_49E0132B_GUID \
  { 0x49E0132B, 0x9DDF, 0x45F7, { 0xBC, 0x38, 0xA6, 0xAA, 0x79, 0x65, 0x8F, 0xEC } }
/// {B94C01B9-619B-4B05-A3E7-D42449CD08B2}
#define MODULE_PRESENCE_B94C01B9_GUID \
  { 0xB94C01B9, 0x619B, 0x4B05, { 0xA3, 0xE7, 0xD4, 0x24, 0x49, 0xCD, 0x08, 0xB2 } }
/// {14C89698-22B0-4AEA-99E6-EDBEDA10A647}
#define MODULE_PRESENCE_14C89698_GUID \
  { 0x14C89698, 0x22B0, 0x4AEA, { 0x99, 0xE6, 0xED, 0xBE, 0xDA, 0x10, 0xA6, 0x47 } }
/// {86A2396B-C513-4C32-9BA4-41452F6AE004}
#define MODULE_PRESENCE_86A2396B_GUID \
  { 0x86A2396B, 0xC513, 0x4C32, { 0x9B, 0xA4, 0x41, 0x45, 0x2F, 0x6A, 0xE0, 0x04 } }
/// {EF9167DF-F506-481E-B57C-DDE60EE97991}
#define MODULE_PRESENCE_EF9167DF_GUID \
  { 0xEF9167DF, 0xF506, 0x481E, { 0xB5, 0x7C, 0xDD, 0xE6, 0x0E, 0xE9, 0x79, 0x91 } }
/// {562468F4-2EB6-491A-83F4-EAC6AD3D7635}
#define MODULE_PRESENCE_562468F4_GUID \
  { 0x562468F4, 0x2EB6, 0x491A, { 0x83, 0xF4, 0xEA, 0xC6, 0xAD, 0x3D, 0x76, 0x35 } }
/// {A3453F52-FE2F-4F4C-927E-0FD2A777A290}
#define MODULE_PRESENCE_A3453F52_GUID \
  { 0xA3453F52, 0xFE2F, 0x4F4C, { 0x92, 0x7E, 0x0F, 0xD2, 0xA7, 0x77, 0xA2, 0x90 } }
/// {4AA33B94-B35B-4E24-AC55-E651496AC762}
#define MODULE_PRESENCE_4AA33B94_GUID \
  { 0x4AA33B94, 0xB35B, 0x4E24, { 0xAC, 0x55, 0xE6, 0x51, 0x49, 0x6A, 0xC7, 0x62 } }

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gModulePresenceB0225F63Guid;
extern EFI_GUID  gModulePresenceEBB11F94Guid;
extern EFI_GUID  gModulePresence84F3346FGuid;
extern EFI_GUID  gModulePresenceA6AF455BGuid;
extern EFI_GUID  gModulePresence72223939Guid;
extern EFI_GUID  gModulePresence49E0132BGuid;
extern EFI_GUID  gModulePresenceB94C01B9Guid;
extern EFI_GUID  gModulePresence14C89698Guid;
extern EFI_GUID  gModulePresence86A2396BGuid;
extern EFI_GUID  gModulePresenceEF9167DFGuid;
extern EFI_GUID  gModulePresence562468F4Guid;
extern EFI_GUID  gModulePresenceA3453F52Guid;
extern EFI_GUID  gModulePresence4AA33B94Guid;

#ifdef __cplusplus
}
#endif

#endif
