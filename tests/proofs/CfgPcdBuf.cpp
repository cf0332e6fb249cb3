// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any PCD values, the PCD protocols present or not.
#include "Model.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugMessages.h"

// Messages go nowhere here: their text is the driver's own, not outside input.
EFI_STATUS EFIAPI DebugPrint(UINT64 ErrorLevel, const CHAR8 *Format, ...) { return EFI_SUCCESS; }

static UINT8 EFIAPI AnyGet8(UINTN Token) { return AnyByte(); }
static UINT32 EFIAPI AnyGet32(UINTN Token) { return AnyWord(); }
static BOOLEAN EFIAPI AnyGetBool(UINTN Token) { return AnyByte(); }

extern "C" void Harness() {
  EFI_CONFIGURATION_TABLE Entry;
  BindModel(&Entry, 0);
  PCD_PROTOCOL Pcd;  // any other members
  Pcd.Get8 = AnyGet8;
  Pcd.Get32 = AnyGet32;
  Pcd.GetBool = AnyGetBool;
  gModel.Found = AnyBool();
  gModel.Interface = AnyBool() ? NULL : &Pcd;
  FillCfgPcdBuf();
  const UINT8 *Buf = reinterpret_cast<const UINT8 *>(&CfgPcdBuf);
  if (gModel.Found && gModel.Interface != NULL) {
    __CPROVER_assert(Buf[0] == 1 && Buf[1] == 1 && Buf[2] == 3 && Buf[3] == 0x80 && Buf[4] == 0 && Buf[5] == 1 &&
                         Buf[26] == 2,
                     "header and trailer");
  } else {
    for (UINTN I = 0; I < 27; I++) __CPROVER_assert(Buf[I] == 0, "all zero without the PCD protocols");
  }
}
