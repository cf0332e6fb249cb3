// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The drivers as a platform gets them: SocDxe.fv handed to the DXE core through the DXE
// services' ProcessFirmwareVolume, and OVMF's own dispatcher evaluating each driver's
// dependency expression and loading and starting it (PI 1.8, vol. 2, 7.2 and 10.3).
#include "tests/uefi/Dispatch.h"

#include "tests/common/Published.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Expected.h"
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Handles.h"
#include "tests/uefi/Print.h"
#include "tests/uefi/Round.h"
#include "efi/LoadedImage.h"

namespace {

// The DXE services table up to the members used here (PI 1.8, vol. 2, 9.1).
struct DXE_SERVICES {
  EFI_TABLE_HEADER Hdr;
  VOID *Gcd[13];  // AddMemorySpace .. GetIoSpaceMap
  EFI_STATUS(EFIAPI *Dispatch)();
  VOID *Schedule;
  VOID *Trust;
  EFI_STATUS(EFIAPI *ProcessFirmwareVolume)(const VOID *FirmwareVolumeHeader, UINTN Size, EFI_HANDLE *Handle);
};
static_assert(offsetof(DXE_SERVICES, Dispatch) == 128, "Dispatch");
static_assert(offsetof(DXE_SERVICES, ProcessFirmwareVolume) == 152, "ProcessFirmwareVolume");

typedef EFI_STATUS(EFIAPI *ALLOCATE_PAGES)(UINT32 Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages, UINT64 *Memory);
constexpr UINT32 kAllocateAnyPages = 0;
constexpr const char *kVolumeFile = "opt/soc/fv";
// MEDIA_DEVICE_PATH / MEDIA_PIWG_FW_FILE_DP: the file path of an image loaded from a volume.
constexpr UINT8 kMediaDevicePath = 4;
constexpr UINT8 kPiwgFirmwareFile = 6;
constexpr UINT8 kEndDevicePath = 0x7F;

ROUND *gRound;
UINTN gLoadedInOrder[kMaxImages];
UINTN gLoadedCount;
EFI_EVENT gLoadedEvent;
VOID *gLoadedRegistration;
bool gVolumeProcessed;

// The round's image whose FFS file the handle's image came from, adopted; or NULL.
DRIVER_IMAGE *AdoptByFile(ROUND &Round, EFI_HANDLE Handle) {
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = NULL;
  EFI_GUID File;
  if (gBS->HandleProtocol(Handle, &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Loaded)) != EFI_SUCCESS ||
      Loaded == NULL || !FirmwareFileOf(Loaded->FilePath, &File)) {
    return NULL;
  }
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    DRIVER_IMAGE *Image = &Round.Images[Index];
    EFI_GUID Want;
    if (Image->Handle == NULL && ParseGuid(Image->Variant->FileGuid, &Want) && GuidEquals(&Want, &File)) {
      AdoptLoadedImage(Image, Handle, Loaded, NULL);
      return Image;
    }
  }
  return NULL;
}

// Runs when the dispatcher has loaded an image and before it starts it: the moment to learn
// where each driver lies, so that its calls are told apart as with LoadImage.
VOID EFIAPI OnImageLoaded(EFI_EVENT Event, VOID *Context) {
  for (;;) {
    EFI_HANDLE Handle = NULL;
    UINTN Size = sizeof(Handle);
    if (gBS->LocateHandle(ByRegisterNotify, NULL, gLoadedRegistration, &Size, &Handle) != EFI_SUCCESS) {
      return;
    }
    const DRIVER_IMAGE *Image = gRound != NULL ? AdoptByFile(*gRound, Handle) : NULL;
    if (Image != NULL && gLoadedCount < kMaxImages) {
      gLoadedInOrder[gLoadedCount++] = Image->Position;
    }
  }
}

bool ProcessVolume(DXE_SERVICES *Dxe) {
  if (gVolumeProcessed) {
    return true;
  }
  UINT16 Selector;
  UINT32 Size;
  if (!FwCfgFindFile(kVolumeFile, &Selector, &Size) || Size == 0) {
    Fail(NULL, "dispatch.volume", "fw_cfg file %a missing or empty", kVolumeFile);
    return false;
  }
  // Pages keep the volume 4 KiB aligned; the buffer stays for the rest of the boot, as
  // the dispatcher reads the files from it.
  UINT64 Address = 0;
  EFI_STATUS Status = reinterpret_cast<ALLOCATE_PAGES>(gBS->AllocatePages)(kAllocateAnyPages, EfiBootServicesData,
                                                                            (Size + 4095) / 4096, &Address);
  if (Status != EFI_SUCCESS) {
    Fail(NULL, "dispatch.volume", "AllocatePages for %u bytes returned %r", Size, Status);
    return false;
  }
  FwCfgRead(Selector, reinterpret_cast<VOID *>(Address), Size);
  EFI_HANDLE Volume = NULL;
  Status = Dxe->ProcessFirmwareVolume(reinterpret_cast<VOID *>(Address), Size, &Volume);
  gVolumeProcessed = Status == EFI_SUCCESS;
  return Expect(gVolumeProcessed && Volume != NULL, NULL, "dispatch.volume",
                "ProcessFirmwareVolume of %u bytes returned %r, handle %p", Size, Status, Volume);
}

UINTN LoadedOfRound() {
  UINTN Count = 0;
  for (UINTN Index = 0; Index < gRound->Count; Index++) {
    Count += gRound->Images[Index].Handle != NULL ? 1 : 0;
  }
  return Count;
}

}  // namespace

bool FirmwareFileOf(const EFI_DEVICE_PATH_PROTOCOL *Node, EFI_GUID *Name) {
  for (UINTN Guard = 0; Node != NULL && Guard < 16; Guard++) {
    const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Node);
    const UINT16 Length = static_cast<UINT16>(Bytes[2] | (Bytes[3] << 8));
    if (Bytes[0] == kEndDevicePath || Length < 4) {
      return false;
    }
    if (Bytes[0] == kMediaDevicePath && Bytes[1] == kPiwgFirmwareFile && Length == 20) {
      UINT8 *To = reinterpret_cast<UINT8 *>(Name);
      for (UINTN At = 0; At < sizeof(EFI_GUID); At++) {
        To[At] = Bytes[4 + At];
      }
      return true;
    }
    Node = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Bytes + Length);
  }
  return false;
}

void DispatchImages(ROUND &Round, PCD_MODE Pcd) {
  DXE_SERVICES *Dxe = static_cast<DXE_SERVICES *>(ConfigurationTable(&gEfiDxeServicesTableGuid));
  if (!Expect(Dxe != NULL, NULL, "dispatch.dxe_services", "no DXE services table in the configuration table")) {
    return;
  }
  if (gLoadedEvent == NULL) {
    EFI_STATUS Status = gBS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnImageLoaded, NULL, &gLoadedEvent);
    if (!EFI_ERROR(Status)) {
      Status = gBS->RegisterProtocolNotify(&gEfiLoadedImageProtocolGuid, gLoadedEvent, &gLoadedRegistration);
    }
    if (!Expect(Status == EFI_SUCCESS, NULL, "dispatch.notify", "watching LOADED_IMAGE installs: %r", Status)) {
      return;
    }
  }
  gRound = &Round;
  gLoadedCount = 0;
  if (Round.Start == StartDispatchHeld) {
    // The dependency expression needs both PCD protocols: without them the dispatcher
    // must hold both drivers back.
    if (!PcdSetMode(PcdAllHidden) || !ProcessVolume(Dxe)) {
      return;
    }
    const EFI_STATUS Held = Dxe->Dispatch();
    Info("Dispatch() with both PCD protocols hidden: %r, %u of the drivers loaded", Held,
         static_cast<UINT32>(LoadedOfRound()));
    Expect(LoadedOfRound() == 0, NULL, "dispatch.held", "the dependency expression let a driver through");
    if (!PcdSetMode(Pcd)) {
      return;
    }
  } else if (!ProcessVolume(Dxe)) {
    return;
  }
  const EFI_STATUS Status = Dxe->Dispatch();
  Expect(Status == EFI_SUCCESS, NULL, "dispatch.run", "Dispatch() returned %r", Status);

  // The dispatcher starts what it loads in the volume's order; the round names that order.
  bool InOrder = gLoadedCount == Round.Count;
  for (UINTN Index = 0; InOrder && Index < gLoadedCount; Index++) {
    InOrder = gLoadedInOrder[Index] == Index;
  }
  Expect(InOrder, NULL, "dispatch.order", "%u of %u drivers loaded, or not in the volume's order",
         static_cast<UINT32>(gLoadedCount), static_cast<UINT32>(Round.Count));
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    DRIVER_IMAGE *Image = &Round.Images[Index];
    if (!Expect(Image->Handle != NULL, Image->Subject, "load", "the dispatcher never loaded %a (FFS file %a)",
                Image->Variant->ImageName, Image->Variant->FileGuid)) {
      continue;
    }
    // A driver whose entry fails is unloaded again; one that succeeded keeps its image.
    VOID *Loaded = NULL;
    Image->EntryStatus = gBS->HandleProtocol(Image->Handle, &gEfiLoadedImageProtocolGuid, &Loaded) == EFI_SUCCESS
                             ? EFI_SUCCESS
                             : EFI_LOAD_ERROR;
    Image->Started = true;
    // The loader adds LOADED_IMAGE_DEVICE_PATH after the notification that told us of the
    // image (UEFI 2.10, 9.2); it belongs to the firmware's part of the handle too.
    PROTOCOL_LIST After = ListProtocols(Image->Handle);
    bool Baselined = false;
    for (UINTN At = 0; At < Image->BaselineCount; At++) {
      Baselined = Baselined || GuidEquals(&Image->Baseline[At], &gEfiLoadedImageDevicePathProtocolGuid);
    }
    if (!Baselined && ListHas(After, &gEfiLoadedImageDevicePathProtocolGuid) && Image->BaselineCount < 8) {
      Image->Baseline[Image->BaselineCount++] = gEfiLoadedImageDevicePathProtocolGuid;
    }
    FreeProtocolList(&After);
    Info("dispatched %a (%a) at %p", Image->Subject, Image->Variant->ImageName, reinterpret_cast<VOID *>(Image->ImageBase));
    Expect(Image->EntryStatus == EFI_SUCCESS, Image->Subject, "entry", "the dispatcher unloaded the driver again");
  }
  gRound = NULL;
}

void ObserveImages(ROUND &Round) {
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (!Expect(gBS->LocateHandleBuffer(ByProtocol, &gEfiLoadedImageProtocolGuid, NULL, &Count, &Handles) == EFI_SUCCESS,
              NULL, "observe.images", "no loaded images")) {
    return;
  }
  for (UINTN At = 0; At < Count; At++) {
    DRIVER_IMAGE *Image = AdoptByFile(Round, Handles[At]);
    if (Image != NULL) {
      Image->EntryStatus = EFI_SUCCESS;  // resident, so its entry succeeded
      Image->Started = true;
    }
  }
  gBS->FreePool(Handles);
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    const DRIVER_IMAGE &Image = Round.Images[Index];
    Expect(Image.Handle != NULL, Image.Subject, "dispatched", "no loaded image from FFS file %a (%a) in the flash",
           Image.Variant->FileGuid, Image.Variant->ImageName);
  }
}
