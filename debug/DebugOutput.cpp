#include "debug/DebugOutput.h"

// Placeholder until the backends land: the table holds only its terminator.
const DEBUG_OUTPUT_BACKEND *const gDebugOutputBackends[] = {NULL};

BOOLEAN AnyBackendPresent() {
  BOOLEAN Any = FALSE;
  for (UINTN Index = 0; gDebugOutputBackends[Index] != NULL; Index++) {
    if (gDebugOutputBackends[Index]->IsPresent()) {
      Any = TRUE;
    }
  }
  return Any;
}
