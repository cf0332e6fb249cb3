#include "common/DriverTest.h"

void ResetDriverGlobals() {
  gSystemTable = nullptr;
  gBootServices = nullptr;
  gHobList = nullptr;
  gPcdProtocol = nullptr;
  gDxeServices = nullptr;
}
