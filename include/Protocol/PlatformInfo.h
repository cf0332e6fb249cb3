/** @file
  PLATFORM_INFO_PROTOCOL: bit fields of a few platform registers, read through the
  platform's REGISTER_ACCESS_PROTOCOL, and a static descriptor. SocDxeM70 or SocDxeM60
  installs it on its image handle when the processor is the variant the driver serves.

  GetInfoByte and GetUnitInfo locate REGISTER_ACCESS_PROTOCOL on every call, so call them
  at TPL_NOTIFY or below. They return EFI_INVALID_PARAMETER for missing outputs and
  EFI_DEVICE_ERROR, writing nothing, when that protocol is missing or fails.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_PLATFORM_INFO_PROTOCOL_H_
#define SOC_PLATFORM_INFO_PROTOCOL_H_

#include <SocDxeLayout.h>

#define PLATFORM_INFO_PROTOCOL_GUID \
  { 0x0967CF7E, 0x6566, 0x4B11, { 0xBE, 0x76, 0x0B, 0x3E, 0xAE, 0x63, 0x92, 0xDA } }

#define PLATFORM_INFO_PROTOCOL_REVISION  1

typedef struct _PLATFORM_INFO_PROTOCOL PLATFORM_INFO_PROTOCOL;

///
/// Read in place: GetDescriptor hands out a pointer into the driver image.
///
typedef struct {
  UINT32    Word[4];
} PLATFORM_INFO_DESCRIPTOR;

/**
  The 8-bit information field, zero-extended into Value.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_GET_INFO_BYTE)(
  IN  CONST PLATFORM_INFO_PROTOCOL  *This,
  OUT UINT32                        *Value
  );

/**
  The unit mask, the 8-bit unit field, its width (8) and the unit flag (0 or 1). Any
  output may be NULL, but not all of UnitMask, Field and Flag.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_GET_UNIT_INFO)(
  IN  CONST PLATFORM_INFO_PROTOCOL  *This,
  OUT UINT32                        *UnitMask OPTIONAL,
  OUT UINT32                        *Field OPTIONAL,
  OUT UINT32                        *Width OPTIONAL,
  OUT UINT8                         *Flag OPTIONAL
  );

/**
  Points Descriptor at the driver's static descriptor. This must be the installed
  instance itself.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_GET_DESCRIPTOR)(
  IN  CONST PLATFORM_INFO_PROTOCOL    *This,
  OUT CONST PLATFORM_INFO_DESCRIPTOR  **Descriptor
  );

/**
  Reserved: returns EFI_DEVICE_ERROR.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_RESERVED_SERVICE)(
  IN CONST PLATFORM_INFO_PROTOCOL  *This
  );

struct _PLATFORM_INFO_PROTOCOL {
  UINT64                            Revision;
  PLATFORM_INFO_GET_INFO_BYTE       GetInfoByte;
  PLATFORM_INFO_GET_UNIT_INFO       GetUnitInfo;
  PLATFORM_INFO_GET_DESCRIPTOR      GetDescriptor;
  PLATFORM_INFO_RESERVED_SERVICE    ReservedService;
};

SOC_DXE_SIZE (PLATFORM_INFO_DESCRIPTOR, 16);
SOC_DXE_FIELD (PLATFORM_INFO_DESCRIPTOR, Word, 0, 16);
SOC_DXE_SIZE (PLATFORM_INFO_PROTOCOL, 40);
SOC_DXE_FIELD (PLATFORM_INFO_PROTOCOL, Revision, 0, 8);
SOC_DXE_FIELD (PLATFORM_INFO_PROTOCOL, GetInfoByte, 8, 8);
SOC_DXE_FIELD (PLATFORM_INFO_PROTOCOL, GetUnitInfo, 16, 8);
SOC_DXE_FIELD (PLATFORM_INFO_PROTOCOL, GetDescriptor, 24, 8);
SOC_DXE_FIELD (PLATFORM_INFO_PROTOCOL, ReservedService, 32, 8);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gPlatformInfoProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
