// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "cfgbuf/CfgPcdBuf.h"

#include "debug/DebugMessages.h"
#include "framework/Framework.h"

CFG_PCD_BUF CfgPcdBuf = {};

static const CHAR8 kConstructorName[] = "QorCfgPcdBufLibDxeConstructor";

// Each read goes through GetPcdProtocol, which locates and caches the interface.
static BOOLEAN ReadBool(UINTN Token) { return GetPcdProtocol()->GetBool(Token); }
static UINT8 Read8(UINTN Token) { return GetPcdProtocol()->Get8(Token); }
static UINT32 Read32(UINTN Token) { return GetPcdProtocol()->Get32(Token); }

VOID FillCfgPcdBuf() {
  ZeroBuffer(&CfgPcdBuf, sizeof(CfgPcdBuf));

  // Presence checks only; the located interfaces are not kept.
  VOID *Interface = NULL;
  EFI_STATUS Status = gBootServices->LocateProtocol(&gPcdProtocolGuid, NULL, &Interface);
  // An instance installed with a NULL interface could not be read: treat it as missing.
  if (!EFI_ERROR(Status) && Interface == NULL) {
    Status = EFI_NOT_FOUND;
  }
  if (EFI_ERROR(Status)) {
    DebugPrint(DEBUG_ERROR, "[%a] LocateProtocol: gPcdProtocolGuid, Status: %r\n", kConstructorName, Status);
    return;
  }
  Interface = NULL;
  Status = gBootServices->LocateProtocol(&gEfiPcdProtocolGuid, NULL, &Interface);
  if (EFI_ERROR(Status)) {
    DebugPrint(DEBUG_ERROR, "[%a] LocateProtocol: gEfiPcdProtocolGuid, Status: %r\n", kConstructorName, Status);
    return;
  }
  // The cache is never reset, so once this succeeds every read below finds the interface.
  if (GetPcdProtocol() == NULL) {
    return;
  }

  CfgPcdBuf.HeaderByte0 = 0x01;
  CfgPcdBuf.HeaderByte1 = 0x01;
  CfgPcdBuf.HeaderByte2 = 0x03;
  CfgPcdBuf.HeaderWord3 = 0x0080;
  CfgPcdBuf.TrapEnable = 0x01;

  CfgPcdBuf.PcdBool846 = ReadBool(846);
  CfgPcdBuf.PcdBool1180 = ReadBool(1180);
  CfgPcdBuf.PcdByte1104 = Read8(1104);
  CfgPcdBuf.PcdByte1179 = Read8(1179);
  CfgPcdBuf.PcdByte1185 = Read8(1185);
  CfgPcdBuf.PcdByte1183 = Read8(1183);
  CfgPcdBuf.PcdDword1184 = Read32(1184);
  CfgPcdBuf.PcdBool1181 = ReadBool(1181);
  CfgPcdBuf.PcdDword1113 = Read32(1113);
  CfgPcdBuf.PcdDword1112 = Read32(1112);
  CfgPcdBuf.PcdByte1182 = Read8(1182);

  CfgPcdBuf.TrailerByte26 = 0x02;
}
