// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugMessages.h"
#include "debug/ErrorTrap.h"
#include "heap/HeapMigration.h"

void ResetDriverGlobals() {
  gSystemTable = nullptr;
  gBootServices = nullptr;
  gHobList = nullptr;
  gHobListEnd = nullptr;
  gPcdProtocol = nullptr;
  gDxeServices = nullptr;
  CfgPcdBuf = {};
  gCoreFrequencyHz = 0;
  gDebugPrintProtocol = nullptr;
  gHeapListProtocol = {HEAP_LIST_PROTOCOL_REVISION, {nullptr, nullptr}};
  gHeapListHead = nullptr;
}
