// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// A REGISTER_ACCESS_PROTOCOL over a small table of register values.
#include "tests/uefi/Doubles.h"

#include "tests/common/Published.h"

namespace {

REGISTER_ACCESS_PROTOCOL gRegisterAccess;
EFI_HANDLE gRegisterAccessHandle;
REGISTER_VALUE gRegisters[16];
UINTN gRegisterCount;

__attribute__((noinline)) EFI_STATUS EFIAPI OurReadRegister(REGISTER_ACCESS_PROTOCOL *This, UINTN Space,
                                                            UINT32 Address, UINT32 *Value) {
  Append(gRegisterReads, &gRegisterReadCount, 64, REGISTER_READ{This, Space, Address});
  if (Value != NULL) {
    *Value = RegisterValue(Address);
  }
  return EFI_SUCCESS;
}

__attribute__((noinline)) EFI_STATUS EFIAPI OurOtherRegisterMember() {
  gRegisterOtherCalls++;
  return EFI_UNSUPPORTED;
}

}  // namespace

REGISTER_READ gRegisterReads[64];
UINTN gRegisterReadCount;
UINTN gRegisterOtherCalls;

EFI_STATUS InstallRegisterAccess() {
  for (VOID *&Member : gRegisterAccess.ProducerMembers) {
    Member = reinterpret_cast<VOID *>(OurOtherRegisterMember);
  }
  gRegisterAccess.ReadRegister = OurReadRegister;
  gRegisterAccessHandle = NULL;
  return gBS->InstallProtocolInterface(&gRegisterAccessHandle, &gRegisterAccessProtocolGuid, EFI_NATIVE_INTERFACE,
                                       &gRegisterAccess);
}

EFI_STATUS UninstallRegisterAccess() {
  return gBS->UninstallProtocolInterface(gRegisterAccessHandle, &gRegisterAccessProtocolGuid, &gRegisterAccess);
}

VOID *RegisterAccessInterface() { return &gRegisterAccess; }

void SetRegister(UINT32 Address, UINT32 Value) {
  for (UINTN Index = 0; Index < gRegisterCount; Index++) {
    if (gRegisters[Index].Address == Address) {
      gRegisters[Index].Value = Value;
      return;
    }
  }
  if (gRegisterCount < sizeof(gRegisters) / sizeof(gRegisters[0])) {
    gRegisters[gRegisterCount++] = {Address, Value};
  }
}

UINT32 RegisterValue(UINT32 Address) {
  for (UINTN Index = 0; Index < gRegisterCount; Index++) {
    if (gRegisters[Index].Address == Address) {
      return gRegisters[Index].Value;
    }
  }
  return 0;
}
