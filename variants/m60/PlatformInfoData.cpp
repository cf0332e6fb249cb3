// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Platform information registers and descriptor of this deliverable.
#include "processor/Variant.h"

const UINT32 gInfoByteRegister = 0x0005D584;
const UINT8 gInfoByteShift = 19;  // bits 26..19

const PLATFORM_INFO_DESCRIPTOR gPlatformInfoDescriptor = {{1, 0x24, 0x28, 0x26}};

#define UNIT_MASK_REGISTER 0x0005D3BCU
#define UNIT_REGISTER_BASE 0x30081CD0U
#define UNIT_INDEX_SHIFT 25
#define UNIT_MASK_PRESENT 23, 22
#define UNIT_INFO_FLAG 8, 8
#define UNIT_INFO_FIELD 7, 0

// The unit read is that of the first unit present in the mask, unit 2 when neither of
// the first two is.
VOID ReadUnitInfo(REGISTER_ACCESS_PROTOCOL *Access, UINT32 *UnitMask, UINT32 *Field, UINT8 *Flag) {
  const UINT32 Mask = RegisterField(ReadPlatformRegister(Access, UNIT_MASK_REGISTER), UNIT_MASK_PRESENT);
  if (UnitMask != NULL) {
    *UnitMask = Mask;
  }
  UINT32 Unit = 2;
  if ((Mask & 1) != 0) {
    Unit = 0;
  } else if ((Mask & 2) != 0) {
    Unit = 1;
  }
  const UINT32 Raw = ReadPlatformRegister(Access, (Unit << UNIT_INDEX_SHIFT) | UNIT_REGISTER_BASE);
  *Flag = static_cast<UINT8>(RegisterField(Raw, UNIT_INFO_FLAG));
  *Field = RegisterField(Raw, UNIT_INFO_FIELD);
}
