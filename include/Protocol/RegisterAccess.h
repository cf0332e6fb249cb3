/** @file
  REGISTER_ACCESS_PROTOCOL: the platform's register reads, which PLATFORM_INFO_PROTOCOL
  uses. Another driver of the platform publishes it. The SocDxe drivers call only the
  service at byte offset 32, as ReadRegister (This, 0, Address, &Value), and count only
  EFI_SUCCESS as success. The other members, and the meaning of Space, are the
  producer's.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_REGISTER_ACCESS_PROTOCOL_H_
#define SOC_REGISTER_ACCESS_PROTOCOL_H_

#include <SocDxeLayout.h>

#define REGISTER_ACCESS_PROTOCOL_GUID \
  { 0x264272B3, 0x81D1, 0x453A, { 0x85, 0x03, 0x89, 0x89, 0xF4, 0x38, 0x2E, 0x68 } }

typedef struct _REGISTER_ACCESS_PROTOCOL REGISTER_ACCESS_PROTOCOL;

typedef
EFI_STATUS
(EFIAPI *REGISTER_ACCESS_READ_REGISTER)(
  IN  REGISTER_ACCESS_PROTOCOL  *This,
  IN  UINTN                     Space,
  IN  UINT32                    Address,
  OUT UINT32                    *Value
  );

struct _REGISTER_ACCESS_PROTOCOL {
  VOID                             *ProducerMembers[4];
  REGISTER_ACCESS_READ_REGISTER    ReadRegister;
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
