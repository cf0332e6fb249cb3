// The outside DEBUG_PRINT_PROTOCOL as far as this tree uses it: its first member,
// Print(level, format, VA_LIST).
#pragma once

#include "uefi/UefiBaseType.h"

typedef EFI_STATUS(EFIAPI *DEBUG_PRINT_PROTOCOL_PRINT)(UINT64 ErrorLevel, const CHAR8 *Format, VA_LIST Marker);
struct DEBUG_PRINT_PROTOCOL {
  DEBUG_PRINT_PROTOCOL_PRINT Print;
};
static_assert(offsetof(DEBUG_PRINT_PROTOCOL, Print) == 0, "Print is the first member");
