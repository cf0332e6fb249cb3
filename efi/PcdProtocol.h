// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// PCD_PROTOCOL as PI 1.8 (volume 3, chapter 10) lays it out. The members up to
// GetBool are typed; this tree calls Get8, Get32 and GetBool only.
#pragma once

#include "efi/UefiBaseType.h"

#if SOC_EDK2_BUILD
#include <Protocol/Pcd.h>
#else
typedef VOID(EFIAPI *PCD_PROTOCOL_SET_SKU)(UINTN SkuId);
typedef UINT8(EFIAPI *PCD_PROTOCOL_GET8)(UINTN TokenNumber);
typedef UINT16(EFIAPI *PCD_PROTOCOL_GET16)(UINTN TokenNumber);
typedef UINT32(EFIAPI *PCD_PROTOCOL_GET32)(UINTN TokenNumber);
typedef UINT64(EFIAPI *PCD_PROTOCOL_GET64)(UINTN TokenNumber);
typedef VOID *(EFIAPI *PCD_PROTOCOL_GET_POINTER)(UINTN TokenNumber);
typedef BOOLEAN(EFIAPI *PCD_PROTOCOL_GET_BOOLEAN)(UINTN TokenNumber);
typedef UINTN(EFIAPI *PCD_PROTOCOL_GET_SIZE)(UINTN TokenNumber);

struct PCD_PROTOCOL {
  PCD_PROTOCOL_SET_SKU SetSku;
  PCD_PROTOCOL_GET8 Get8;
  PCD_PROTOCOL_GET16 Get16;
  PCD_PROTOCOL_GET32 Get32;
  PCD_PROTOCOL_GET64 Get64;
  PCD_PROTOCOL_GET_POINTER GetPtr;
  PCD_PROTOCOL_GET_BOOLEAN GetBool;
  PCD_PROTOCOL_GET_SIZE GetSize;
  // The Ex getters, the setters and the callbacks, which nothing here reaches; then the
  // last member, named so that the record's length is checked.
  VOID *Rest[22];
  VOID *GetNextTokenSpace;
};
#endif  // SOC_EDK2_BUILD

// The layout the drivers rely on, held to whichever definitions are in force.
static_assert(offsetof(PCD_PROTOCOL, Get8) == 8, "PCD_PROTOCOL.Get8");
static_assert(offsetof(PCD_PROTOCOL, Get32) == 24, "PCD_PROTOCOL.Get32");
static_assert(offsetof(PCD_PROTOCOL, GetBool) == 48, "PCD_PROTOCOL.GetBool");
static_assert(offsetof(PCD_PROTOCOL, GetNextTokenSpace) == 240 && sizeof(PCD_PROTOCOL) == 248,
              "PCD_PROTOCOL has PI 1.8's 31 members");
