#include "debug/ErrorTrap.h"

#include "cfgbuf/CfgPcdBuf.h"

UINT64 gCoreFrequencyHz = 0;

// Placeholder until the trap lands: announces nothing and returns.
BOOLEAN ErrorTrap(UINT32 TrapCode) {
  (void)TrapCode;
  return FALSE;
}

UINT16 IsSimulatedPlatform() { return 0; }

UINT64 GetCoreFrequencyHz() { return 0; }

VOID RaiseTrapIfArmed(UINT32 TrapCode) {
  if (CfgPcdBuf.TrapEnable != 0) {
    ErrorTrap(TrapCode);
  }
}
