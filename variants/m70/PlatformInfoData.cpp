// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Platform information registers and descriptor of this deliverable.
#include "processor/Variant.h"

const UINT32 gInfoByteRegister = 0x0005D8F4;
const UINT8 gInfoByteShift = 1;  // bits 8..1

const PLATFORM_INFO_DESCRIPTOR gPlatformInfoDescriptor = {{1, 0x57, 0x5B, 0x59}};

#define UNIT_INFO_REGISTER 0x0005D528U
#define UNIT_INFO_FLAG 6, 6
#define UNIT_INFO_FIELD 14, 7

// One unit only: the mask is constant and is written before the register is read.
VOID ReadUnitInfo(REGISTER_ACCESS_PROTOCOL *Access, UINT32 *UnitMask, UINT32 *Field, UINT8 *Flag) {
  if (UnitMask != NULL) {
    *UnitMask = 1;
  }
  const UINT32 Raw = ReadPlatformRegister(Access, UNIT_INFO_REGISTER);
  *Flag = static_cast<UINT8>(RegisterField(Raw, UNIT_INFO_FLAG));
  *Field = RegisterField(Raw, UNIT_INFO_FIELD);
}
