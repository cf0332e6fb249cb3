// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The application's PCD_PROTOCOL, in front of the firmware's or in place of a missing one.
#include "tests/uefi/Doubles.h"

#include "tests/common/Published.h"
#include "tests/uefi/Print.h"
#include "efi/PcdProtocol.h"

namespace {

struct TOKEN_VALUE {
  UINTN Token;
  UINT32 Value;
};
// Distinct values per token, so a read that lands at the wrong place would show.
constexpr TOKEN_VALUE kTokens[] = {
    {846, 1},         {1180, 0},        {1104, 0x11},       {1179, 0x22},       {1185, 0x33},
    {1183, 0x44},     {1184, 0x55667788}, {1181, 1},        {1113, 0x99AABBCC}, {1112, 0x01020304},
    {1182, 0x66},     {150, kToken150Value}, {152, kToken152Value},
};

// What each PCD_MODE puts in place, in the enum's order.
struct MODE_SETUP {
  bool Ours;     // the application's PCD_PROTOCOL, in place of the firmware's
  bool PcdGone;  // no PCD_PROTOCOL
  bool EfiGone;  // no EFI_PCD_PROTOCOL
  const char *Name;
};
constexpr MODE_SETUP kModes[] = {
    {true, false, false, "ours"},
    {false, true, false, "PCD_PROTOCOL hidden"},
    {true, false, true, "EFI_PCD_PROTOCOL hidden"},
    {false, true, true, "both PCD protocols hidden"},
    {false, false, false, "firmware's"},
};
static_assert(sizeof(kModes) / sizeof(kModes[0]) == PcdFirmware + 1, "a setup per mode");

constexpr UINTN kMaxFirmwareHandles = 4;
struct FIRMWARE_INSTANCES {
  EFI_HANDLE Handle[kMaxFirmwareHandles];
  VOID *Interface[kMaxFirmwareHandles];
  UINTN Count;
};
FIRMWARE_INSTANCES gFirmwarePcd;
FIRMWARE_INSTANCES gFirmwareEfiPcd;
PCD_PROTOCOL gOurPcd;
EFI_HANDLE gOurPcdHandle;  // only when the firmware had no PCD_PROTOCOL to replace
PCD_MODE gPcdMode = PcdFirmware;

UINT32 TokenValue(UINTN Token) {
  for (const TOKEN_VALUE &Entry : kTokens) {
    if (Entry.Token == Token) {
      return Entry.Value;
    }
  }
  return 0;
}

void RecordRead(char Member, UINTN Token, void *Return) {
  Append(gPcdReads, &gPcdReadCount, 512, PCD_READ{ImageAt(ReturnAddress(Return)), Member, Token, CurrentTpl()});
}

__attribute__((noinline)) UINT8 EFIAPI OurGet8(UINTN Token) {
  RecordRead('8', Token, __builtin_return_address(0));
  return static_cast<UINT8>(TokenValue(Token));
}
__attribute__((noinline)) UINT32 EFIAPI OurGet32(UINTN Token) {
  RecordRead('4', Token, __builtin_return_address(0));
  return TokenValue(Token);
}
__attribute__((noinline)) BOOLEAN EFIAPI OurGetBool(UINTN Token) {
  RecordRead('B', Token, __builtin_return_address(0));
  return TokenValue(Token) != 0;
}
// Every other member: the drivers have no business there.
__attribute__((noinline)) UINTN EFIAPI OurOther() {
  RecordRead('?', 0, __builtin_return_address(0));
  return 0;
}

bool FindInstances(const EFI_GUID *Guid, FIRMWARE_INSTANCES *Found) {
  Found->Count = 0;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (EFI_ERROR(gBS->LocateHandleBuffer(ByProtocol, Guid, NULL, &Count, &Handles))) {
    return true;  // none installed
  }
  for (UINTN Index = 0; Index < Count && Found->Count < kMaxFirmwareHandles; Index++) {
    VOID *Interface = NULL;
    if (!EFI_ERROR(gBS->HandleProtocol(Handles[Index], Guid, &Interface))) {
      Found->Handle[Found->Count] = Handles[Index];
      Found->Interface[Found->Count] = Interface;
      Found->Count++;
    }
  }
  gBS->FreePool(Handles);
  return Count <= kMaxFirmwareHandles;
}

EFI_STATUS Uninstall(const FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    const EFI_STATUS Status = gBS->UninstallProtocolInterface(Instances.Handle[Index], Guid, Instances.Interface[Index]);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS Reinstall(FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    EFI_HANDLE Handle = Instances.Handle[Index];
    const EFI_STATUS Status = gBS->InstallProtocolInterface(&Handle, Guid, EFI_NATIVE_INTERFACE, Instances.Interface[Index]);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

// Puts Interface in place of every firmware instance; the handles and their place in the
// protocol database stay, so LocateProtocol finds ours first.
EFI_STATUS Replace(FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid, bool ToOurs) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    VOID *Firmware = Instances.Interface[Index];
    const EFI_STATUS Status = ToOurs ? gBS->ReinstallProtocolInterface(Instances.Handle[Index], Guid, Firmware, &gOurPcd)
                                     : gBS->ReinstallProtocolInterface(Instances.Handle[Index], Guid, &gOurPcd, Firmware);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS InstallOurs(bool Install) {
  if (gFirmwarePcd.Count > 0) {
    return Replace(gFirmwarePcd, &gPcdProtocolGuid, Install);
  }
  if (Install) {
    gOurPcdHandle = NULL;
    return gBS->InstallProtocolInterface(&gOurPcdHandle, &gPcdProtocolGuid, EFI_NATIVE_INTERFACE, &gOurPcd);
  }
  return gBS->UninstallProtocolInterface(gOurPcdHandle, &gPcdProtocolGuid, &gOurPcd);
}

// Back to the firmware's own instances from whatever Mode put in place.
EFI_STATUS RestoreFirmware(PCD_MODE Mode) {
  const MODE_SETUP &M = kModes[Mode];
  const EFI_STATUS Status =
      M.Ours ? InstallOurs(false) : M.PcdGone ? Reinstall(gFirmwarePcd, &gPcdProtocolGuid) : EFI_SUCCESS;
  return EFI_ERROR(Status) || !M.EfiGone ? Status : Reinstall(gFirmwareEfiPcd, &gEfiPcdProtocolGuid);
}

EFI_STATUS Apply(PCD_MODE Mode) {
  const MODE_SETUP &M = kModes[Mode];
  const EFI_STATUS Status =
      M.Ours ? InstallOurs(true) : M.PcdGone ? Uninstall(gFirmwarePcd, &gPcdProtocolGuid) : EFI_SUCCESS;
  return EFI_ERROR(Status) || !M.EfiGone ? Status : Uninstall(gFirmwareEfiPcd, &gEfiPcdProtocolGuid);
}

}  // namespace

PCD_READ gPcdReads[512];
UINTN gPcdReadCount;

bool PcdFindFirmware() {
  gOurPcd.SetSku = reinterpret_cast<PCD_PROTOCOL_SET_SKU>(OurOther);
  gOurPcd.Get8 = OurGet8;
  gOurPcd.Get16 = reinterpret_cast<PCD_PROTOCOL_GET16>(OurOther);
  gOurPcd.Get32 = OurGet32;
  gOurPcd.Get64 = reinterpret_cast<PCD_PROTOCOL_GET64>(OurOther);
  gOurPcd.GetPtr = reinterpret_cast<PCD_PROTOCOL_GET_POINTER>(OurOther);
  gOurPcd.GetBool = OurGetBool;
  gOurPcd.GetSize = reinterpret_cast<PCD_PROTOCOL_GET_SIZE>(OurOther);
  for (VOID *&Member : gOurPcd.Rest) {
    Member = reinterpret_cast<VOID *>(OurOther);
  }
  gOurPcd.GetNextTokenSpace = reinterpret_cast<VOID *>(OurOther);
  if (!FindInstances(&gPcdProtocolGuid, &gFirmwarePcd) || !FindInstances(&gEfiPcdProtocolGuid, &gFirmwareEfiPcd)) {
    Fail(NULL, "pcd.firmware", "more than %u firmware PCD instances", static_cast<UINT32>(kMaxFirmwareHandles));
    return false;
  }
  Info("firmware PCD_PROTOCOL on %u handle(s), EFI_PCD_PROTOCOL on %u", static_cast<UINT32>(gFirmwarePcd.Count),
       static_cast<UINT32>(gFirmwareEfiPcd.Count));
  return true;
}

const char *PcdModeName(PCD_MODE Mode) { return Mode <= PcdFirmware ? kModes[Mode].Name : "?"; }

bool PcdSetMode(PCD_MODE Mode) {
  if (Mode == gPcdMode) {
    return true;
  }
  EFI_STATUS Status = RestoreFirmware(gPcdMode);
  if (EFI_ERROR(Status)) {
    Fail(NULL, "pcd.restore", "putting back the firmware's PCD protocols after '%a' returned %r", PcdModeName(gPcdMode),
         Status);
    return false;
  }
  gPcdMode = PcdFirmware;
  Status = Apply(Mode);
  if (EFI_ERROR(Status)) {
    Fail(NULL, "pcd.setup", "setting up '%a' returned %r", PcdModeName(Mode), Status);
    RestoreFirmware(Mode);
    return false;
  }
  gPcdMode = Mode;

  // What a driver's LocateProtocol now finds.
  VOID *Pcd = NULL;
  VOID *EfiPcd = NULL;
  const EFI_STATUS PcdStatus = gBS->LocateProtocol(&gPcdProtocolGuid, NULL, &Pcd);
  const EFI_STATUS EfiPcdStatus = gBS->LocateProtocol(&gEfiPcdProtocolGuid, NULL, &EfiPcd);
  const MODE_SETUP &M = kModes[Mode];
  const bool Ok = Mode == PcdFirmware
                      ? gFirmwarePcd.Count == 0 || Pcd == gFirmwarePcd.Interface[0]
                      : (M.Ours ? PcdStatus == EFI_SUCCESS && Pcd == &gOurPcd : PcdStatus == EFI_NOT_FOUND) &&
                            EfiPcdStatus == (M.EfiGone ? EFI_NOT_FOUND : EFI_SUCCESS);
  return Expect(Ok, NULL, Mode == PcdFirmware ? "pcd.restored" : "pcd.setup", "'%a': LocateProtocol(PCD_PROTOCOL) %r %p (ours %p), (EFI_PCD_PROTOCOL) %r",
                PcdModeName(Mode), PcdStatus, Pcd, &gOurPcd, EfiPcdStatus);
}
