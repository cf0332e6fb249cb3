// Debug output backends: a NULL-terminated table of four-operation records.
#pragma once

#include "uefi/Uefi.h"

struct DEBUG_OUTPUT_BACKEND {
  BOOLEAN (*IsPresent)();
  VOID (*Init)();
  BOOLEAN (*ReservedQuery)();
  VOID (*Write)(const CHAR8 *Text, UINTN Count);
};

extern const DEBUG_OUTPUT_BACKEND *const gDebugOutputBackends[];

// Asks every backend's IsPresent (the walk does not stop early).
BOOLEAN AnyBackendPresent();
