// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "framework/Framework.h"
#include "processor/Processor.h"
#include "processor/Variant.h"

const PLATFORM_INFO_PROTOCOL gPlatformInfoProtocol = {
    PLATFORM_INFO_PROTOCOL_REVISION, GetInfoByte, GetUnitInfo, GetDescriptor, ReservedService,
};

#define UNIT_INFO_WIDTH 8U

// Located afresh on every call: the publishing driver may come and go. Only exactly
// EFI_SUCCESS counts; a warning is treated as absence.
static REGISTER_ACCESS_PROTOCOL *LocateRegisterAccess() {
  VOID *Interface = NULL;
  const EFI_STATUS Status = gBootServices->LocateProtocol(&gRegisterAccessProtocolGuid, NULL, &Interface);
  if (Status != EFI_SUCCESS || Interface == NULL) {
    return NULL;
  }
  return static_cast<REGISTER_ACCESS_PROTOCOL *>(Interface);
}

EFI_STATUS EFIAPI GetInfoByte(const PLATFORM_INFO_PROTOCOL *This, UINT32 *Value) {
  if (Value == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  REGISTER_ACCESS_PROTOCOL *Access = LocateRegisterAccess();
  if (Access == NULL) {
    return EFI_DEVICE_ERROR;
  }
  *Value = RegisterField(ReadPlatformRegister(Access, gInfoByteRegister), gInfoByteShift + 7U, gInfoByteShift);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetUnitInfo(const PLATFORM_INFO_PROTOCOL *This, UINT32 *UnitMask, UINT32 *Field, UINT32 *Width,
                              UINT8 *Flag) {
  // Width alone asks for nothing the hardware knows.
  if (UnitMask == NULL && Field == NULL && Flag == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  REGISTER_ACCESS_PROTOCOL *Access = LocateRegisterAccess();
  if (Access == NULL) {
    return EFI_DEVICE_ERROR;
  }
  UINT32 RawField = 0;
  UINT8 RawFlag = 0;
  ReadUnitInfo(Access, UnitMask, &RawField, &RawFlag);
  if (Flag != NULL) {
    *Flag = RawFlag;
  }
  if (Field != NULL) {
    *Field = RawField;
  }
  if (Width != NULL) {
    *Width = UNIT_INFO_WIDTH;
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetDescriptor(const PLATFORM_INFO_PROTOCOL *This, const PLATFORM_INFO_DESCRIPTOR **Descriptor) {
  // A NULL Descriptor would be a write through NULL; refuse it like a foreign This.
  if (This != &gPlatformInfoProtocol || Descriptor == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  *Descriptor = &gPlatformInfoDescriptor;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ReservedService(const PLATFORM_INFO_PROTOCOL *This) { return EFI_DEVICE_ERROR; }
