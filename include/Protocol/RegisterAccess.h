/** @file
  REGISTER_ACCESS_PROTOCOL: the platform's register reads, which PLATFORM_INFO_PROTOCOL
  uses. Another driver of the platform publishes it. The SocDxe drivers call only the
  service at byte offset 32, as ReadRegister (This, 0, Address, &Value), and count only
  EFI_SUCCESS from LocateProtocol as success. The other members, and the meaning of Space,
  are the producer's.

  The registers a producer must serve (Space 0):
    SocDxeM70: 0x0005D8F4 (GetInfoByte) and 0x0005D528 (GetUnitInfo).
    SocDxeM60: 0x0005D584 (GetInfoByte), 0x0005D3BC (GetUnitInfo's unit mask), and the
      unit register it selects: 0x30081CD0, 0x32081CD0 or 0x34081CD0.
  The drivers do not look at ReadRegister's status; a producer that cannot read a
  register should still write Value (0 is the value the drivers then report).

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_REGISTER_ACCESS_PROTOCOL_H_
#define SOC_REGISTER_ACCESS_PROTOCOL_H_

#include <SocDxeLayout.h>

#define REGISTER_ACCESS_PROTOCOL_GUID \
  { 0x264272B3, 0x81D1, 0x453A, { 0x85, 0x03, 0x89, 0x89, 0xF4, 0x38, 0x2E, 0x68 } }

typedef struct _REGISTER_ACCESS_PROTOCOL REGISTER_ACCESS_PROTOCOL;

/**
  Reads one 32-bit platform register.

  @param[in]   This     The instance the caller located.
  @param[in]   Space    The register space; the SocDxe drivers pass 0.
  @param[in]   Address  The register's address in that space.
  @param[out]  Value    Receives the register's value.

  @retval EFI_SUCCESS  Value holds the register.
  @retval Others       The producer's own failures; the SocDxe drivers take Value as it
                       was left.
**/
typedef
EFI_STATUS
(EFIAPI *REGISTER_ACCESS_READ_REGISTER)(
  IN  REGISTER_ACCESS_PROTOCOL  *This,
  IN  UINTN                     Space,
  IN  UINT32                    Address,
  OUT UINT32                    *Value
  );

struct _REGISTER_ACCESS_PROTOCOL {
  VOID                             *ProducerMembers[4];  ///< The producer's own; never read.
  REGISTER_ACCESS_READ_REGISTER    ReadRegister;         ///< At byte offset 32.
};

SOC_DXE_FIELD (REGISTER_ACCESS_PROTOCOL, ReadRegister, 32, 8);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gRegisterAccessProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
