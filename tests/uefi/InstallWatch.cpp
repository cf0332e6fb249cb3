// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Every InstallProtocolInterface call, observed, and some of them failed on purpose.
#include "tests/uefi/Doubles.h"

#include "tests/common/Published.h"

namespace {

typedef EFI_STATUS(EFIAPI *CALCULATE_CRC32)(VOID *Data, UINTN DataSize, UINT32 *Crc32);
EFI_INSTALL_PROTOCOL_INTERFACE gFirmwareInstall;
EFI_GUID gFailGuid;
EFI_STATUS gFailStatus;
UINTN gFailCount;

void UpdateBootServicesCrc() {
  UINT32 Crc = 0;
  gBS->Hdr.CRC32 = 0;
  reinterpret_cast<CALCULATE_CRC32>(gBS->CalculateCrc32)(gBS, gBS->Hdr.HeaderSize, &Crc);
  gBS->Hdr.CRC32 = Crc;
}

__attribute__((noinline)) EFI_STATUS EFIAPI ObservedInstall(EFI_HANDLE *Handle, const EFI_GUID *Protocol,
                                                            EFI_INTERFACE_TYPE Type, VOID *Interface) {
  INSTALL_CALL Call = {};
  Call.Caller = ImageAt(ReturnAddress(__builtin_return_address(0)));
  Call.HandleIn = Handle != NULL ? *Handle : NULL;
  if (Protocol != NULL) {
    Call.Guid = *Protocol;
  }
  Call.InterfaceType = Type;
  Call.Interface = Interface;
  if (gFailCount > 0 && Protocol != NULL && GuidEquals(Protocol, &gFailGuid)) {
    gFailCount--;
    Call.Status = gFailStatus;
    Call.Injected = true;
  } else {
    Call.Status = gFirmwareInstall(Handle, Protocol, Type, Interface);
  }
  Call.HandleOut = Handle != NULL ? *Handle : NULL;
  Append(gInstalls, &gInstallCount, 256, Call);
  return Call.Status;
}

}  // namespace

INSTALL_CALL gInstalls[256];
UINTN gInstallCount;

void HookInstall() {
  if (gFirmwareInstall != NULL) {
    return;
  }
  gFirmwareInstall = gBS->InstallProtocolInterface;
  gBS->InstallProtocolInterface = ObservedInstall;
  UpdateBootServicesCrc();
}

void UnhookInstall() {
  if (gFirmwareInstall == NULL) {
    return;
  }
  gBS->InstallProtocolInterface = gFirmwareInstall;
  gFirmwareInstall = NULL;
  UpdateBootServicesCrc();
}

void FailInstallOf(const EFI_GUID *Guid, EFI_STATUS Status, UINTN Count) {
  gFailGuid = *Guid;
  gFailStatus = Status;
  gFailCount = Count;
}
