#include "debug/DebugPrint.h"

DEBUG_PRINT_PROTOCOL *gDebugPrintProtocol = NULL;

// Placeholder until debug print forwarding lands: messages are dropped.
EFI_STATUS EFIAPI DebugPrint(UINT64 ErrorLevel, const CHAR8 *Format, ...) {
  (void)ErrorLevel;
  (void)Format;
  return EFI_NOT_FOUND;
}
