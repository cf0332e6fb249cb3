#include "debug/IdsHook.h"

// Placeholder until the hook dispatcher lands: no hook matches.
UINT32 IdsHookFunc() { return 1; }
