// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The packed configuration record filled from PCD tokens at start-up. Its TrapEnable
// byte arms the error trap.
#pragma once

#include "efi/Uefi.h"

#pragma pack(push, 1)
struct CFG_PCD_BUF {
  UINT8 HeaderByte0;
  UINT8 HeaderByte1;
  UINT8 HeaderByte2;
  UINT16 HeaderWord3;
  UINT8 TrapEnable;
  BOOLEAN PcdBool846;
  BOOLEAN PcdBool1180;
  UINT8 PcdByte1104;
  UINT8 PcdByte1179;
  UINT8 PcdByte1185;
  UINT8 PcdByte1183;
  UINT32 PcdDword1184;
  BOOLEAN PcdBool1181;
  UINT32 PcdDword1113;
  UINT32 PcdDword1112;
  UINT8 PcdByte1182;
  UINT8 TrailerByte26;
};
#pragma pack(pop)
static_assert(sizeof(CFG_PCD_BUF) == 27, "CfgPcdBuf is 27 packed bytes");
static_assert(offsetof(CFG_PCD_BUF, HeaderWord3) == 3, "HeaderWord3");
static_assert(offsetof(CFG_PCD_BUF, TrapEnable) == 5, "TrapEnable");
static_assert(offsetof(CFG_PCD_BUF, PcdBool846) == 6, "PcdBool846");
static_assert(offsetof(CFG_PCD_BUF, PcdByte1183) == 11, "PcdByte1183");
static_assert(offsetof(CFG_PCD_BUF, PcdDword1184) == 12, "PcdDword1184");
static_assert(offsetof(CFG_PCD_BUF, PcdBool1181) == 16, "PcdBool1181");
static_assert(offsetof(CFG_PCD_BUF, PcdDword1113) == 17, "PcdDword1113");
static_assert(offsetof(CFG_PCD_BUF, PcdDword1112) == 21, "PcdDword1112");
static_assert(offsetof(CFG_PCD_BUF, PcdByte1182) == 25, "PcdByte1182");
static_assert(offsetof(CFG_PCD_BUF, TrailerByte26) == 26, "TrailerByte26");

extern CFG_PCD_BUF CfgPcdBuf;

// Fills the configuration record from the PCD protocol (start-up step 2).
VOID FillCfgPcdBuf();
