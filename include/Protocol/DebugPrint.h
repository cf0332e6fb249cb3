/** @file
  DEBUG_PRINT_PROTOCOL: where the SocDxe drivers send their debug messages. Another
  driver of the platform publishes it; the drivers locate the first instance once and
  call only Print. Messages use %a, %r and %x, and a 64-bit ErrorLevel: 0x80000000 for
  errors, 0x0020000000000000 for trace lines. Without the protocol, messages are dropped.

  Marker is an EFIAPI (Microsoft x64) variable argument list, MdePkg's VA_LIST.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_DEBUG_PRINT_PROTOCOL_H_
#define SOC_DEBUG_PRINT_PROTOCOL_H_

#include <SocDxeLayout.h>

#define DEBUG_PRINT_PROTOCOL_GUID \
  { 0x669ED5B1, 0x49A3, 0x4C59, { 0x9D, 0x2D, 0x04, 0x32, 0xAD, 0x6C, 0xDB, 0x61 } }

typedef struct _DEBUG_PRINT_PROTOCOL DEBUG_PRINT_PROTOCOL;

/**
  Prints one message, if the producer's level filter lets ErrorLevel through.

  @param[in]  ErrorLevel  0x80000000 for the drivers' errors, 0x0020000000000000 for the
                          hook dispatcher's trace line.
  @param[in]  Format      The message, with %a, %r and %x conversions.
  @param[in]  Marker      The arguments after Format.

  @retval EFI_SUCCESS  The producer's own status; the SocDxe drivers ignore it.
  @retval Others       The producer's own status; the SocDxe drivers ignore it.
**/
typedef
EFI_STATUS
(EFIAPI *DEBUG_PRINT_PROTOCOL_PRINT)(
  IN UINT64       ErrorLevel,
  IN CONST CHAR8  *Format,
  IN VA_LIST      Marker
  );

///
/// Only the first member binds; a producer may append its own.
///
struct _DEBUG_PRINT_PROTOCOL {
  DEBUG_PRINT_PROTOCOL_PRINT    Print;  ///< The only member the drivers call.
};

SOC_DXE_FIELD (DEBUG_PRINT_PROTOCOL, Print, 0, 8);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gDebugPrintProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
