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
/// Read in place: GetDescriptor hands out a pointer into the driver image. The words are
/// constants of each driver: SocDxeM70 1, 0x57, 0x5B, 0x59; SocDxeM60 1, 0x24, 0x28, 0x26.
///
typedef struct {
  UINT32    Word[4];  ///< Word[0] to Word[3], little-endian, in that order.
} PLATFORM_INFO_DESCRIPTOR;

/**
  The 8-bit information field of the platform register, zero-extended: SocDxeM70 reads
  register 0x0005D8F4 and returns its bits 8..1; SocDxeM60 reads 0x0005D584 and returns
  its bits 26..19.

  @param[in]   This   The installed instance (not examined).
  @param[out]  Value  Receives the field, bits 31..8 zero.

  @retval EFI_SUCCESS            Value is written.
  @retval EFI_INVALID_PARAMETER  Value is NULL; nothing is located or read.
  @retval EFI_DEVICE_ERROR       REGISTER_ACCESS_PROTOCOL could not be located (any status
                                 but EFI_SUCCESS); Value is not written.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_GET_INFO_BYTE)(
  IN  CONST PLATFORM_INFO_PROTOCOL  *This,
  OUT UINT32                        *Value
  );

/**
  The unit information of the platform. SocDxeM70: UnitMask is 1; Field is bits 14..7 and
  Flag bit 6 of register 0x0005D528. SocDxeM60: UnitMask is bits 23..22 of register
  0x0005D3BC; the unit index is that of its lowest set bit, 0 or 1, or 2 when neither is
  set; Field is bits 7..0 and Flag bit 8 of register (index << 25) | 0x30081CD0. Width is
  always 8. Outputs whose pointer is NULL are skipped.

  @param[in]   This      The installed instance (not examined).
  @param[out]  UnitMask  Receives the unit mask (SocDxeM70 writes it before any read).
  @param[out]  Field     Receives the 8-bit unit field, bits 31..8 zero.
  @param[out]  Width     Receives 8, the width of Field in bits.
  @param[out]  Flag      Receives the unit flag, 0 or 1.

  @retval EFI_SUCCESS            The non-NULL outputs are written.
  @retval EFI_INVALID_PARAMETER  UnitMask, Field and Flag are all NULL (Width alone does
                                 not count); nothing is located or read.
  @retval EFI_DEVICE_ERROR       REGISTER_ACCESS_PROTOCOL could not be located; no output
                                 is written.
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
  Points Descriptor at the driver's static descriptor.

  @param[in]   This        The installed instance itself.
  @param[out]  Descriptor  Receives the descriptor's address (not checked for NULL).

  @retval EFI_SUCCESS            Descriptor is written.
  @retval EFI_INVALID_PARAMETER  This is not the driver's own instance (NULL included);
                                 Descriptor is not written.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_GET_DESCRIPTOR)(
  IN  CONST PLATFORM_INFO_PROTOCOL    *This,
  OUT CONST PLATFORM_INFO_DESCRIPTOR  **Descriptor
  );

/**
  Reserved.

  @param[in]  This  Not examined.

  @retval EFI_DEVICE_ERROR  Always.
**/
typedef
EFI_STATUS
(EFIAPI *PLATFORM_INFO_RESERVED_SERVICE)(
  IN CONST PLATFORM_INFO_PROTOCOL  *This
  );

///
/// Installed on the serving driver's image handle; static data of the driver image.
///
struct _PLATFORM_INFO_PROTOCOL {
  UINT64                            Revision;  ///< PLATFORM_INFO_PROTOCOL_REVISION
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
