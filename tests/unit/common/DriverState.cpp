#include "common/DriverTest.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/ErrorTrap.h"

void ResetDriverGlobals() {
  gSystemTable = nullptr;
  gBootServices = nullptr;
  gHobList = nullptr;
  gPcdProtocol = nullptr;
  gDxeServices = nullptr;
  CfgPcdBuf = {};
  gCoreFrequencyHz = 0;
}
