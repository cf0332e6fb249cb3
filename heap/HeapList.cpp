#include "heap/HeapList.h"

// Placeholder until the heap hand-off lands: start-up step 4 does nothing yet.
VOID MigrateHeapHobs() {}
