#include "common/DriverTest.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugPrint.h"
#include "debug/ErrorTrap.h"

void ResetDriverGlobals() {
  gSystemTable = nullptr;
  gBootServices = nullptr;
  gHobList = nullptr;
  gPcdProtocol = nullptr;
  gDxeServices = nullptr;
  CfgPcdBuf = {};
  gCoreFrequencyHz = 0;
  gDebugPrintProtocol = nullptr;
}
