// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// One round of a boot: both images loaded and started in the round's order, then the checks
// of each subsystem in turn (Checks.h), then the round's traces removed so that the next
// round starts from a clean protocol database.
#include "tests/uefi/Round.h"

#include "tests/uefi/Checks.h"

#include "tests/uefi/Dispatch.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Handles.h"
#include "tests/uefi/Print.h"

#include <Protocol/HeapList.h>

const SCENARIO *gScenario;

const char *Ordinal(UINTN Position) {
  static const char *const kOrdinals[] = {"1st", "2nd", "3rd", "4th"};
  return Position < 4 ? kOrdinals[Position] : "later";
}

bool Accepted(const DRIVER_IMAGE &Image) { return Accepts(*Image.Variant, gScenario->Eax, gScenario->Ebx); }

// --- starting the images

void AdoptLoadedImage(DRIVER_IMAGE *Image, EFI_HANDLE Handle, const EFI_LOADED_IMAGE_PROTOCOL *Loaded, EFI_HANDLE Parent) {
  Image->Handle = Handle;
  Image->LoadStatus = EFI_SUCCESS;
  const bool ParentOk = Parent != NULL ? Loaded->ParentHandle == Parent : Loaded->ParentHandle != gAppImage;
  Expect(Loaded->ImageCodeType == EfiBootServicesCode && Loaded->ImageDataType == EfiBootServicesData && ParentOk,
         Image->Subject, "loaded_image", "code type %u, data type %u, parent %p (want %u, %u, %a %p)",
         static_cast<UINT32>(Loaded->ImageCodeType), static_cast<UINT32>(Loaded->ImageDataType), Loaded->ParentHandle,
         static_cast<UINT32>(EfiBootServicesCode), static_cast<UINT32>(EfiBootServicesData),
         Parent != NULL ? "" : "not", gAppImage);
  Image->ImageBase = reinterpret_cast<UINT64>(Loaded->ImageBase);
  Image->ImageSize = Loaded->ImageSize;
  TrackImage(Image);
  // The firmware's part of the handle; what the driver publishes is under test (a platform's
  // dispatcher may have started it already).
  PROTOCOL_LIST Before = ListProtocols(Handle);
  for (UINTN Index = 0; Index < Before.Count && Image->BaselineCount < 8; Index++) {
    const EFI_GUID *Guid = Before.Guids[Index];
    if (!GuidEquals(Guid, &gProcessorClassProtocolGuid) && !GuidEquals(Guid, &gPlatformInfoProtocolGuid) &&
        PresencePosition(*Image->Variant, Guid) == 0) {
      Image->Baseline[Image->BaselineCount++] = *Guid;
    }
  }
  FreeProtocolList(&Before);
}

bool Load(DRIVER_IMAGE *Image) {
  UINT16 Selector;
  UINT32 Size;
  if (!FwCfgFindFile(Image->Variant->FwCfgFile, &Selector, &Size) || Size == 0) {
    Fail(Image->Subject, "load", "fw_cfg file %a missing or empty", Image->Variant->FwCfgFile);
    return false;
  }
  VOID *Buffer = NULL;
  EFI_STATUS Status = gBS->AllocatePool(EfiBootServicesData, Size, &Buffer);
  if (EFI_ERROR(Status)) {
    Fail(Image->Subject, "load", "AllocatePool(%u) returned %r", Size, Status);
    return false;
  }
  FwCfgRead(Selector, Buffer, Size);

  EFI_HANDLE Handle = NULL;
  Image->LoadStatus = gBS->LoadImage(FALSE, gAppImage, NULL, Buffer, Size, &Handle);
  gBS->FreePool(Buffer);
  if (!Expect(Image->LoadStatus == EFI_SUCCESS && Handle != NULL, Image->Subject, "load",
              "LoadImage of %u bytes returned %r, handle %p", Size, Image->LoadStatus, Handle)) {
    return false;
  }
  // A boot-service driver lands in boot-services memory, as a child of the image that
  // loaded it.
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = NULL;
  Status = gBS->HandleProtocol(Handle, &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Loaded));
  if (EFI_ERROR(Status) || Loaded == NULL) {
    Fail(Image->Subject, "loaded_image", "HandleProtocol(LOADED_IMAGE) returned %r", Status);
    return false;
  }
  AdoptLoadedImage(Image, Handle, Loaded, gAppImage);
  return true;
}

void Start(DRIVER_IMAGE *Image, const ROUND &Round) {
  if (Round.FailPresence && Accepted(*Image)) {
    EFI_HANDLE Handle = Image->Handle;
    EFI_GUID Guid;
    ParseGuid(Image->Variant->Presence[Image->Variant->PresenceCount - 1], &Guid);
    const EFI_STATUS Status = gBS->InstallProtocolInterface(&Handle, &Guid, EFI_NATIVE_INTERFACE, NULL);
    Expect(Status == EFI_SUCCESS, Image->Subject, "presence_planted", "InstallProtocolInterface returned %r", Status);
  }
  // Marks where a hang, a trap or a fault in the driver's entry happened.
  Info("starting %a (%a) at %p", Image->Subject, Image->Variant->ImageName, reinterpret_cast<VOID *>(Image->ImageBase));
  Image->EntryStatus = gBS->StartImage(Image->Handle, NULL, NULL);
  Image->Started = true;
  Expect(Image->EntryStatus == EFI_SUCCESS, Image->Subject, "entry", "StartImage returned %r", Image->EntryStatus);
}

// Every image of the round is loaded and none started: the moment a debugger can put
// breakpoints in them. The debugger finds them, and this flag, through the firmware's
// debug image info table and the images' symbol files.
void WaitForDebugger() {
  Print("@@ DEBUG wait\n");
  while (gDebuggerAttached == 0) {
    __asm__ volatile("pause");
  }
  gDebuggerAttached = 0;
}

void RunRound(const SCENARIO &Scenario, ROUND &Round, UINTN Number) {
  gScenario = &Scenario;
  char Subject[8];
  FormatString(Subject, sizeof(Subject), "r%u", static_cast<UINT32>(Number));
  Info("round %u: PCD %a%a%a", static_cast<UINT32>(Number), PcdModeName(Round.Pcd),
       Round.FailHeapInstall ? ", first HEAP_LIST_PROTOCOL install fails" : "",
       Round.FailPresence ? ", last presence install fails" : "");
  if (Reporting()) {
    Report("== round %u: start order %a%a%a, PCD %a%a", static_cast<UINT32>(Number), Round.Images[0].Variant->Name,
           Round.Count > 1 ? " then " : "", Round.Count > 1 ? Round.Images[1].Variant->Name : "",
           PcdModeName(Round.Pcd), Round.FailHeapInstall ? ", first HEAP_LIST_PROTOCOL install fails" : "");
  }
  if (!PcdSetMode(Round.Pcd)) {
    return;
  }
  MARKS Marks = {gPcdReadCount, gInstallCount, gMessageCount, 0, 0, 0};
  if (Round.HeapHobs && !InstallHeapHobs(Subject)) {
    return;
  }
  if (Round.FailHeapInstall) {
    FailInstallOf(&gHeapListProtocolGuid, EFI_OUT_OF_RESOURCES, 1);
  }
  if (Round.Start == StartObserve) {
    if (Scenario.Debug) {
      WaitForDebugger();
    }
    ObserveImages(Round);
  } else if (Round.Start != StartLoad) {
    DispatchImages(Round, Round.Pcd);
  } else {
    bool Loaded[kMaxImages] = {};
    for (UINTN Index = 0; Index < Round.Count; Index++) {
      Loaded[Index] = Load(&Round.Images[Index]);
    }
    if (Scenario.Debug) {
      WaitForDebugger();
    }
    for (UINTN Index = 0; Index < Round.Count; Index++) {
      if (Loaded[Index]) {
        Start(&Round.Images[Index], Round);
      }
    }
  }
  FailInstallOf(&gHeapListProtocolGuid, EFI_SUCCESS, 0);
  Marks.PcdAfterStart = gPcdReadCount;
  Marks.InstallAfterStart = gInstallCount;
  Marks.MessageAfterStart = gMessageCount;
  Expect(gPcdReadCount <= 512 && gInstallCount <= 256 && gMessageCount <= 32, Subject, "logs",
         "a log overflowed: %u PCD reads, %u installs, %u messages", static_cast<UINT32>(gPcdReadCount),
         static_cast<UINT32>(gInstallCount), static_cast<UINT32>(gMessageCount));

  for (UINTN Index = 0; Index < Round.Count; Index++) {
    DRIVER_IMAGE &Image = Round.Images[Index];
    if (!Image.Started) {
      continue;
    }
    if (Reporting()) {
      ReportImage(Image, Round, Marks);
    }
    // An observed entry ran before the application could watch its calls.
    if (Round.Start != StartObserve) {
      CheckInstalls(Round, Image, Marks);
      CheckEntryReads(Round, Image, Marks);
    }
    CheckHandle(Image);
    CheckMessages(Round, Image, Marks);
    if (Round.FailHeapInstall && Index == 0) {
      // Reaching here at all is the proof: an armed trap never returns on QEMU.
      Pass(Image.Subject, "trap_disarmed");
    }
    if (Accepted(Image)) {
      CheckClassServices(Image);
      CheckPlatformServices(Image);
    }
  }
  const EFI_HANDLE HeapHandle = CheckHeapList(Round, Subject);
  if (Round.Start == StartObserve) {
    CheckPlatformConsumer(Round, Subject);
    CheckPlatformInterruptTables(Round, Subject);
    if (Round.FailPresence) {
      StartCopyOnPlatform(Round);
    }
  }
  CheckIoApicFixup(Round, Subject);
  RestoreHobList(Subject);

  // Leave no trace of this round for the next one.
  if (HeapHandle != NULL) {
    VOID *Heap = NULL;
    gBS->HandleProtocol(HeapHandle, &gHeapListProtocolGuid, &Heap);
    const EFI_STATUS Removed = gBS->UninstallProtocolInterface(HeapHandle, &gHeapListProtocolGuid, Heap);
    Expect(Removed == EFI_SUCCESS, Subject, "heap_list.removed", "uninstall returned %r", Removed);
  }
}
