// Forwarding of debug messages to an outside DEBUG_PRINT_PROTOCOL.
#pragma once

#include "uefi/Uefi.h"

#define DEBUG_ERROR 0x80000000ULL
#define DEBUG_IDS_TRACE 0x0020000000000000ULL

// Print(level, format, VA_LIST): the only member of the outside protocol that is used.
typedef EFI_STATUS(EFIAPI *DEBUG_PRINT_PROTOCOL_PRINT)(UINT64 ErrorLevel, const CHAR8 *Format, VA_LIST Marker);
struct DEBUG_PRINT_PROTOCOL {
  DEBUG_PRINT_PROTOCOL_PRINT Print;
};
static_assert(offsetof(DEBUG_PRINT_PROTOCOL, Print) == 0, "Print is the first member");

extern DEBUG_PRINT_PROTOCOL *gDebugPrintProtocol;

// EFIAPI so that its variable arguments are the ms_abi list that Print expects.
EFI_STATUS EFIAPI DebugPrint(UINT64 ErrorLevel, const CHAR8 *Format, ...);
