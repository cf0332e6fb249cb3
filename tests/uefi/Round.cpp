// One round of a boot: both images started in the round's order, then every check of what
// they did, of their services and of the I/O APIC fix-up, then the round's traces removed
// so that the next round starts from a clean protocol database.
#include "tests/uefi/Round.h"

#include "tests/common/HeapHobModel.h"
#include "tests/common/Published.h"
#include "tests/platform/SocRefPlatform.h"
#include "tests/uefi/Dispatch.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Expected.h"
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Handles.h"
#include "tests/uefi/Machine.h"
#include "tests/uefi/Print.h"
#include "efi/LoadedImage.h"
#include "efi/PiHob.h"

#include <Protocol/HeapList.h>
#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>

namespace {

// Where the logs stood when the round began and when its last image had returned.
struct MARKS {
  UINTN Pcd;
  UINTN Install;
  UINTN Message;
  UINTN PcdAfterStart;
  UINTN InstallAfterStart;
  UINTN MessageAfterStart;
};

const SCENARIO *gScenario;

bool Reporting() { return gScenario->Mode == RunReport; }

const char *Ordinal(UINTN Position) {
  static const char *const kOrdinals[] = {"1st", "2nd", "3rd", "4th"};
  return Position < 4 ? kOrdinals[Position] : "later";
}

bool Accepted(const DRIVER_IMAGE &Image) { return Accepts(*Image.Variant, gScenario->Eax, gScenario->Ebx); }

}  // namespace

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

namespace {

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

// --- what the entry did

struct INSTALL_WANT {
  const EFI_GUID *Guid;
  EFI_GUID Storage;
  bool OnImageHandle;  // else on a new handle
  bool NullInterface;
  EFI_STATUS Status;
};

// The image's installs during the round's starts, compared call by call.
void CheckInstalls(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  INSTALL_WANT Want[40];
  UINTN WantCount = 0;
  const bool HeapAttempt = Image.Position == 0 || (Image.Position == 1 && Round.FailHeapInstall);
  if (HeapAttempt) {
    const bool Injected = Image.Position == 0 && Round.FailHeapInstall;
    Want[WantCount++] = {&gHeapListProtocolGuid, {}, false, false, Injected ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS};
  }
  if (Accepted(Image)) {
    Want[WantCount++] = {&gProcessorClassProtocolGuid, {}, true, false, EFI_SUCCESS};
    Want[WantCount++] = {&gPlatformInfoProtocolGuid, {}, true, false, EFI_SUCCESS};
    for (UINTN Index = 0; Index < Image.Variant->PresenceCount; Index++) {
      INSTALL_WANT &W = Want[WantCount++];
      const bool Planted = Round.FailPresence && Index + 1 == Image.Variant->PresenceCount;
      W = {NULL, {}, true, true, Planted ? EFI_INVALID_PARAMETER : EFI_SUCCESS};
      ParseGuid(Image.Variant->Presence[Index], &W.Storage);
      W.Guid = &W.Storage;
    }
  }

  UINTN Seen = 0;
  for (UINTN Index = Marks.Install; Index < Marks.InstallAfterStart && Index < 256; Index++) {
    const INSTALL_CALL &Call = gInstalls[Index];
    if (Call.Caller != &Image) {
      continue;
    }
    if (Seen >= WantCount) {
      Fail(Image.Subject, "installs", "unexpected install #%u of %g (status %r)", static_cast<UINT32>(Seen + 1),
           &Call.Guid, Call.Status);
      return;
    }
    const INSTALL_WANT &W = Want[Seen++];
    const bool HandleOk = W.OnImageHandle ? Call.HandleIn == Image.Handle && Call.HandleOut == Image.Handle
                                          : Call.HandleIn == NULL;
    const bool InterfaceOk = W.NullInterface ? Call.Interface == NULL : InImage(Image, Call.Interface);
    if (!GuidEquals(&Call.Guid, W.Guid) || !HandleOk || !InterfaceOk || Call.InterfaceType != EFI_NATIVE_INTERFACE ||
        Call.Status != W.Status) {
      Fail(Image.Subject, "installs",
           "install #%u: %g on handle %p (image %p), interface %p, type %u, status %r; want %g on %a, %a interface, %r",
           static_cast<UINT32>(Seen), &Call.Guid, Call.HandleIn, Image.Handle, Call.Interface, Call.InterfaceType,
           Call.Status, W.Guid, W.OnImageHandle ? "the image handle" : "a new handle",
           W.NullInterface ? "a NULL" : "an in-image", W.Status);
      return;
    }
  }
  Expect(Seen == WantCount, Image.Subject, "installs", "%u installs, want %u", static_cast<UINT32>(Seen),
         static_cast<UINT32>(WantCount));
}

// ProtocolsPerHandle: exactly the firmware's own protocols plus what the driver published.
void CheckHandle(const DRIVER_IMAGE &Image) {
  PROTOCOL_LIST List = ListProtocols(Image.Handle);
  if (EFI_ERROR(List.Status)) {
    Fail(Image.Subject, "handle", "ProtocolsPerHandle returned %r", List.Status);
    return;
  }
  const bool Publishes = Accepted(Image);
  const UINTN Published = Publishes ? 2 + Image.Variant->PresenceCount : 0;
  UINTN Missing = 0;
  const EFI_GUID *FirstMissing = NULL;
  EFI_GUID Presence;
  for (UINTN Index = 0; Index < Image.BaselineCount; Index++) {
    if (!ListHas(List, &Image.Baseline[Index])) {
      Missing++;
      FirstMissing = &Image.Baseline[Index];
    }
  }
  if (Publishes) {
    if (!ListHas(List, &gProcessorClassProtocolGuid)) {
      Missing++;
      FirstMissing = &gProcessorClassProtocolGuid;
    }
    if (!ListHas(List, &gPlatformInfoProtocolGuid)) {
      Missing++;
      FirstMissing = &gPlatformInfoProtocolGuid;
    }
    for (UINTN Index = 0; Index < Image.Variant->PresenceCount; Index++) {
      ParseGuid(Image.Variant->Presence[Index], &Presence);
      if (!ListHas(List, &Presence)) {
        Missing++;
        FirstMissing = &Presence;
      }
    }
  }
  Expect(Missing == 0 && List.Count == Image.BaselineCount + Published, Image.Subject, "handle",
         "%u protocols on the image handle, want %u; %u missing (e.g. %g)", static_cast<UINT32>(List.Count),
         static_cast<UINT32>(Image.BaselineCount + Published), static_cast<UINT32>(Missing), FirstMissing);
  FreeProtocolList(&List);
}

struct PCD_WANT {
  char Member;
  UINTN Token;
  EFI_TPL Tpl;
};
constexpr PCD_WANT kConfigurationReads[] = {
    {'B', 846, TPL_APPLICATION},  {'B', 1180, TPL_APPLICATION}, {'8', 1104, TPL_APPLICATION},
    {'8', 1179, TPL_APPLICATION}, {'8', 1185, TPL_APPLICATION}, {'8', 1183, TPL_APPLICATION},
    {'4', 1184, TPL_APPLICATION}, {'B', 1181, TPL_APPLICATION}, {'4', 1113, TPL_APPLICATION},
    {'4', 1112, TPL_APPLICATION}, {'8', 1182, TPL_APPLICATION},
};
constexpr PCD_WANT kIoApicReads[] = {{'8', 150, TPL_CALLBACK}, {'8', 152, TPL_CALLBACK}};

// The image's PCD reads between two log positions, against the expected sequence.
bool CheckReads(const DRIVER_IMAGE &Image, const char *What, UINTN From, UINTN To, const PCD_WANT *const *Parts,
                const UINTN *PartCounts, UINTN PartsCount) {
  UINTN Part = 0;
  UINTN InPart = 0;
  UINTN Seen = 0;
  for (UINTN Index = From; Index < To && Index < 512; Index++) {
    const PCD_READ &Read = gPcdReads[Index];
    if (Read.Caller != &Image) {
      continue;
    }
    while (Part < PartsCount && InPart == PartCounts[Part]) {
      Part++;
      InPart = 0;
    }
    Seen++;
    if (Part == PartsCount) {
      Fail(Image.Subject, What, "unexpected read #%u: member %c token %u at TPL %u", static_cast<UINT32>(Seen),
           Read.Member, static_cast<UINT32>(Read.Token), static_cast<UINT32>(Read.Tpl));
      return false;
    }
    const PCD_WANT &W = Parts[Part][InPart++];
    if (Read.Member != W.Member || Read.Token != W.Token || Read.Tpl != W.Tpl) {
      Fail(Image.Subject, What, "read #%u: member %c token %u at TPL %u, want member %c token %u at TPL %u",
           static_cast<UINT32>(Seen), Read.Member, static_cast<UINT32>(Read.Token), static_cast<UINT32>(Read.Tpl),
           W.Member, static_cast<UINT32>(W.Token), static_cast<UINT32>(W.Tpl));
      return false;
    }
  }
  UINTN Want = 0;
  for (UINTN Index = 0; Index < PartsCount; Index++) {
    Want += PartCounts[Index];
  }
  return Expect(Seen == Want, Image.Subject, What, "%u PCD reads, want %u", static_cast<UINT32>(Seen),
                static_cast<UINT32>(Want));
}

// During the entry: the eleven configuration tokens, then the fix-up's two at TPL_CALLBACK
// when the start-up chain signals its event; no PCD_PROTOCOL, no reads at all.
void CheckEntryReads(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  const PCD_WANT *Parts[2];
  UINTN Counts[2];
  UINTN Count = 0;
  if (Round.Pcd == PcdOurs) {
    Parts[Count] = kConfigurationReads;
    Counts[Count++] = sizeof(kConfigurationReads) / sizeof(kConfigurationReads[0]);
  }
  if (Round.Pcd != PcdHidden) {
    Parts[Count] = kIoApicReads;
    Counts[Count++] = 2;
  }
  CheckReads(Image, "pcd_reads", Marks.Pcd, Marks.PcdAfterStart, Parts, Counts, Count);
}

// A missing PCD protocol or a failed presence install is reported once through the
// debug-print protocol; otherwise the entry prints nothing (the shipped hook table is empty).
void CheckMessages(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  const char *WantFormat = NULL;
  const char *WantText = NULL;
  if (Round.Pcd == PcdHidden) {
    WantFormat = "[%a] LocateProtocol: gPcdProtocolGuid, Status: %r\n";
    WantText = "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gPcdProtocolGuid, Status: EFI_NOT_FOUND\n";
  } else if (Round.Pcd == PcdEfiHidden) {
    WantFormat = "[%a] LocateProtocol: gEfiPcdProtocolGuid, Status: %r\n";
    WantText = "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gEfiPcdProtocolGuid, Status: EFI_NOT_FOUND\n";
  } else if (Round.FailPresence && Accepted(Image) && Round.Start != StartObserve) {
    WantFormat = "[DriverMain] InstallProtocolInterface: module presence GUID, Status: %r\n";
    WantText = "[DriverMain] InstallProtocolInterface: module presence GUID, Status: EFI_INVALID_PARAMETER\n";
  }
  UINTN Seen = 0;
  const DEBUG_MESSAGE *First = NULL;
  for (UINTN Index = Marks.Message; Index < Marks.MessageAfterStart && Index < 32; Index++) {
    if (gMessages[Index].Caller == &Image) {
      if (First == NULL) {
        First = &gMessages[Index];
      }
      Seen++;
    }
  }
  if (WantFormat == NULL) {
    Expect(Seen == 0, Image.Subject, "messages", "%u debug messages, the first \"%a\"", static_cast<UINT32>(Seen),
           First != NULL ? First->Text : "");
    return;
  }
  Expect(Seen == 1 && First->Level == 0x80000000ULL && AsciiEqual(First->Format, WantFormat) &&
             AsciiEqual(First->Text, WantText),
         Image.Subject, "messages", "%u messages; first at level 0x%lx: \"%a\"", static_cast<UINT32>(Seen),
         First != NULL ? First->Level : 0, First != NULL ? First->Text : "");
  if (Reporting() && First != NULL) {
    Report("  debug message (level 0x%lx): %a", First->Level, First->Text);
  }
}

// --- HEAP_LIST_PROTOCOL

// The "HEAP" HOBs of heap-hobs rounds: empty, one byte and more than a page, both pool
// types, slack after the data, and three that no driver may migrate (MigrateFlag 0 and 2,
// another signature). Header bytes 4-7, 14 and 15 carry values of their own.
struct HEAP_HOB_CASE {
  UINT32 Signature;
  UINT32 DataSize;
  UINT8 PoolSelector;
  UINT8 MigrateFlag;
  UINT32 Slack;
};
constexpr HEAP_HOB_CASE kHeapHobs[] = {
    {0x50414548, 0, 0, 1, 0},  {0x50414548, 1, 8, 1, 0},    {0x50414548, 13, 9, 1, 16},
    {0x50414548, 4101, 0, 1, 0}, {0x50414548, 64, 8, 0, 0}, {0x51414548, 24, 0, 1, 0},
    {0x50414548, 300, 8, 1, 8},  {0x50414548, 16, 0, 1, 0xFFFFFFF8U}, {0x50414548, 2, 0, 2, 0},
};  // Slack 0xFFFFFFF8: a DataSize that runs 8 bytes past the HOB

const VOID *gFirmwareHobList;

UINTN CaseLength(const HEAP_HOB_CASE &C) { return (40 + C.DataSize + C.Slack + 7) & ~static_cast<UINTN>(7); }

// Walks a HOB list to its end HOB (returned), collecting the eligible "HEAP" HOBs in order.
const UINT8 *WalkHobs(const UINT8 *Hob, const UINT8 **Found, UINTN Max, UINTN *Count) {
  *Count = 0;
  for (;;) {
    const EFI_HOB_GENERIC_HEADER *Header = reinterpret_cast<const EFI_HOB_GENERIC_HEADER *>(Hob);
    if (Header->HobType == EFI_HOB_TYPE_END_OF_HOB_LIST || Header->HobLength < sizeof(EFI_HOB_GENERIC_HEADER)) {
      return Hob;
    }
    if (model::HeapHobMigrates(Hob) && *Count < Max) {
      Found[(*Count)++] = Hob;
    }
    Hob += Header->HobLength;
  }
}

// The firmware's HOBs, then the cases, then the end HOB, installed in the configuration
// table in place of the firmware's list until the round is over.
bool InstallHeapHobs(const char *Subject) {
  const UINT8 *Firmware = static_cast<const UINT8 *>(ConfigurationTable(&gEfiHobListGuid));
  UINTN Count = 0;
  const UINTN FirmwareBytes = Firmware != NULL ? static_cast<UINTN>(WalkHobs(Firmware, NULL, 0, &Count) - Firmware) : 0;
  UINTN Size = FirmwareBytes + sizeof(EFI_HOB_GENERIC_HEADER);
  for (const HEAP_HOB_CASE &C : kHeapHobs) {
    Size += CaseLength(C);
  }
  UINT8 *List = NULL;
  if (!Expect(Firmware != NULL && gBS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&List)) ==
                                      EFI_SUCCESS,
              Subject, "heap_hobs.list", "no firmware HOB list or no pool for %u bytes", static_cast<UINT32>(Size))) {
    return false;
  }
  gBS->CopyMem(List, Firmware, FirmwareBytes);
  UINT8 *At = List + FirmwareBytes;
  for (UINTN Index = 0; Index < sizeof(kHeapHobs) / sizeof(kHeapHobs[0]); Index++) {
    const HEAP_HOB_CASE &C = kHeapHobs[Index];
    const UINTN Length = CaseLength(C);
    gBS->SetMem(At, Length, static_cast<UINT8>(0xC0 + Index));
    EFI_HOB_GUID_TYPE *Hob = reinterpret_cast<EFI_HOB_GUID_TYPE *>(At);
    Hob->Header = {EFI_HOB_TYPE_GUID_EXTENSION, static_cast<UINT16>(Length), 0};
    Hob->Name = gHeapHobGuid;
    HEAP_HOB_HEADER *Header = reinterpret_cast<HEAP_HOB_HEADER *>(At + 24);
    *Header = {C.Signature, 0x04050607U + static_cast<UINT32>(Index), C.DataSize, C.PoolSelector, C.MigrateFlag,
               static_cast<UINT16>(0xE0F0 + Index)};
    for (UINTN Byte = 0; Byte < C.DataSize && 40 + Byte < Length; Byte++) {
      At[40 + Byte] = static_cast<UINT8>(Byte * 7 + Index);
    }
    At += Length;
  }
  gBS->CopyMem(At, Firmware + FirmwareBytes, sizeof(EFI_HOB_GENERIC_HEADER));
  // The copy's PHIT names the copy's end HOB, or the drivers would stop at the firmware's.
  EFI_HOB_HANDOFF_INFO_TABLE *Phit = reinterpret_cast<EFI_HOB_HANDOFF_INFO_TABLE *>(List);
  if (Phit->Header.HobType == EFI_HOB_TYPE_HANDOFF) {
    Phit->EfiEndOfHobList = reinterpret_cast<UINTN>(At);
  }
  const EFI_STATUS Status = gBS->InstallConfigurationTable(&gEfiHobListGuid, List);
  if (!Expect(Status == EFI_SUCCESS, Subject, "heap_hobs.install", "InstallConfigurationTable returned %r", Status)) {
    gBS->FreePool(List);
    return false;
  }
  gFirmwareHobList = Firmware;
  return true;
}

void RestoreHobList(const char *Subject) {
  if (gFirmwareHobList == NULL) {
    return;
  }
  VOID *Own = ConfigurationTable(&gEfiHobListGuid);
  const EFI_STATUS Status = gBS->InstallConfigurationTable(&gEfiHobListGuid, const_cast<VOID *>(gFirmwareHobList));
  if (Expect(Status == EFI_SUCCESS, Subject, "heap_hobs.restored", "InstallConfigurationTable returned %r", Status)) {
    gBS->FreePool(Own);
  }
  gFirmwareHobList = NULL;
}

// The memory-map type of the pages that hold Address (~0 if none does).
UINT32 MemoryTypeOf(const VOID *Address) {
  UINTN Size = 0, Key = 0, DescriptorSize = 0;
  UINT32 Version = 0;
  gBS->GetMemoryMap(&Size, NULL, &Key, &DescriptorSize, &Version);
  Size += 8 * DescriptorSize;  // room for what AllocatePool itself adds
  UINT8 *Map = NULL;
  UINT32 Type = ~0U;
  if (DescriptorSize == 0 || gBS->AllocatePool(EfiBootServicesData, Size, reinterpret_cast<VOID **>(&Map)) != EFI_SUCCESS) {
    return Type;
  }
  if (gBS->GetMemoryMap(&Size, reinterpret_cast<EFI_MEMORY_DESCRIPTOR *>(Map), &Key, &DescriptorSize, &Version) ==
      EFI_SUCCESS) {
    const UINT64 A = reinterpret_cast<UINT64>(Address);
    for (UINTN At = 0; At + DescriptorSize <= Size; At += DescriptorSize) {
      const EFI_MEMORY_DESCRIPTOR *D = reinterpret_cast<const EFI_MEMORY_DESCRIPTOR *>(Map + At);
      if (A >= D->PhysicalStart && A - D->PhysicalStart < D->NumberOfPages * 4096) {
        Type = D->Type;
      }
    }
  }
  gBS->FreePool(Map);
  return Type;
}

const DRIVER_IMAGE *HeapOwner(const ROUND &Round) {
  const UINTN Position = Round.FailHeapInstall ? 1 : 0;
  return Position < Round.Count ? &Round.Images[Position] : NULL;
}

// One instance in the whole database, installed on a new handle by the round's first
// image to get through; the others adopted it. Its nodes are the eligible HOBs in list
// order, each a copy of the HOB's header and data in the pool its PoolSelector names.
EFI_HANDLE CheckHeapList(const ROUND &Round, const char *Subject) {
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  const EFI_STATUS Status = gBS->LocateHandleBuffer(ByProtocol, &gHeapListProtocolGuid, NULL, &Count, &Handles);
  if (!Expect(Status == EFI_SUCCESS && Count == 1, Subject, "heap_list.instances", "LocateHandleBuffer %r, %u handles",
              Status, static_cast<UINT32>(EFI_ERROR(Status) ? 0 : Count))) {
    if (!EFI_ERROR(Status)) {
      gBS->FreePool(Handles);
    }
    return NULL;
  }
  EFI_HANDLE Handle = Handles[0];
  gBS->FreePool(Handles);
  HEAP_LIST_PROTOCOL *Heap = NULL;
  gBS->HandleProtocol(Handle, &gHeapListProtocolGuid, reinterpret_cast<VOID **>(&Heap));
  const DRIVER_IMAGE *Owner = HeapOwner(Round);
  bool OnImage = false;
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    OnImage = OnImage || Round.Images[Index].Handle == Handle;
  }
  Expect(Owner != NULL && Heap != NULL && InImage(*Owner, Heap) && !OnImage && Heap->Revision == 1, Subject,
         "heap_list.owner", "interface %p on handle %p (an image handle: %a), Revision %lu; want %a's own instance",
         Heap, Handle, OnImage ? "yes" : "no", Heap != NULL ? Heap->Revision : 0,
         Owner != NULL ? Owner->Subject : "?");
  if (Heap == NULL) {
    return Handle;
  }
  const UINT8 *Hobs[16];
  UINTN HobCount = 0;
  WalkHobs(static_cast<const UINT8 *>(ConfigurationTable(&gEfiHobListGuid)), Hobs, 16, &HobCount);
  UINTN Nodes = 0;
  UINTN Wrong = ~static_cast<UINTN>(0);
  UINT32 WrongType = 0;
  const LIST_ENTRY *Previous = &Heap->HeapList;
  for (const LIST_ENTRY *Link = Heap->HeapList.ForwardLink; Link != &Heap->HeapList && Nodes <= HobCount;
       Link = Link->ForwardLink) {
    if (Nodes < HobCount && Wrong == ~static_cast<UINTN>(0)) {
      // Header and data lie back to back in both: node + 16, HOB + 24.
      const UINT8 *Hob = Hobs[Nodes] + sizeof(EFI_HOB_GUID_TYPE);
      const HEAP_HOB_HEADER *Header = reinterpret_cast<const HEAP_HOB_HEADER *>(Hob);
      const UINT32 Want = Header->PoolSelector == 8 ? EfiRuntimeServicesData : EfiBootServicesData;
      UINTN At = 0;
      WrongType = MemoryTypeOf(Link);
      if (Link->BackLink != Previous || WrongType != Want ||
          !SameBytes(reinterpret_cast<const UINT8 *>(Link) + 16, Hob, 16 + Header->DataSize, &At)) {
        Wrong = Nodes;
      }
    }
    Previous = Link;
    Nodes++;
  }
  Expect(Nodes == HobCount && Heap->HeapList.BackLink == Previous, Subject, "heap_list.nodes",
         "%u nodes in the list, %u eligible HEAP HOBs in the HOB list", static_cast<UINT32>(Nodes),
         static_cast<UINT32>(HobCount));
  Expect(Wrong == ~static_cast<UINTN>(0), Subject, "heap_list.node_contents",
         "node %u: back link, header and data, or memory type %u differ from HOB %u", static_cast<UINT32>(Wrong),
         WrongType, static_cast<UINT32>(Wrong));
  if (Reporting()) {
    Report("HEAP_LIST_PROTOCOL: one instance, %a's, on handle %p; Revision %lu, %u nodes (%u HEAP HOBs)",
           Owner != NULL ? Owner->Variant->ImageName : "?", Handle, Heap->Revision, static_cast<UINT32>(Nodes),
           static_cast<UINT32>(HobCount));
  }
  return Handle;
}

// --- processor class services

void FillPattern(VOID *Buffer, UINTN Size) { gBS->SetMem(Buffer, Size, 0xA5); }

bool Untouched(const VOID *Buffer, UINTN From, UINTN To) {
  const UINT8 *Bytes = static_cast<const UINT8 *>(Buffer);
  for (UINTN Index = From; Index < To; Index++) {
    if (Bytes[Index] != 0xA5) {
      return false;
    }
  }
  return true;
}

// A class answer against the expectation; the caller's record was filled with 0xA5 first.
void CheckClassAnswer(const DRIVER_IMAGE &Image, const char *What, const char *Call, EFI_STATUS Status,
                      const PROCESSOR_CLASS_ID &Got, const CLASS_ANSWER &Want) {
  if (Reporting()) {
    if (Status == EFI_SUCCESS) {
      Report("  %-40a %r  FamilyClass 0x%08X  RevisionClass 0x%04X", Call, Status, Got.FamilyClass,
             static_cast<UINT32>(Got.RevisionClass));
    } else if (Untouched(&Got, 0, 6)) {
      Report("  %-40a %r  (record left as it was)", Call, Status);
    } else {
      Report("  %-40a %r  FamilyClass 0x%08X  RevisionClass 0x%04X", Call, Status, Got.FamilyClass,
             static_cast<UINT32>(Got.RevisionClass));
    }
  }
  if (!Want.Known) {
    Info("%a.%a: no expectation for this signature; answered %r", Image.Subject, What, Status);
    return;
  }
  bool Ok;
  if (Want.Served) {
    Ok = Status == EFI_SUCCESS && Got.FamilyClass == Want.Class.FamilyClass &&
         Got.RevisionClass == Want.Class.RevisionClass;
  } else if (Image.Variant->NoneOnMiss) {
    Ok = Status == EFI_DEVICE_ERROR && Got.FamilyClass == 0x80000000U && Got.RevisionClass == 0x8000U;
  } else {
    Ok = Status == EFI_DEVICE_ERROR && Untouched(&Got, 0, 6);
  }
  // Bytes 6 and 7 are padding of the caller's record: never written.
  Expect(Ok && Untouched(&Got, 6, 8), Image.Subject, What, "%r 0x%08X/0x%04X; want %a 0x%08X/0x%04X", Status,
         Got.FamilyClass, static_cast<UINT32>(Got.RevisionClass), Want.Served ? "EFI_SUCCESS" : "EFI_DEVICE_ERROR",
         Want.Served ? Want.Class.FamilyClass : Image.Variant->NoneOnMiss ? 0x80000000U : 0xA5A5A5A5U,
         static_cast<UINT32>(Want.Served ? Want.Class.RevisionClass
                             : Image.Variant->NoneOnMiss ? 0x8000U : 0xA5A5U));
}

UINT32 ReadMmio32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }

void CheckClassServices(const DRIVER_IMAGE &Image) {
  PROCESSOR_CLASS_PROTOCOL *Class = NULL;
  gBS->HandleProtocol(Image.Handle, &gProcessorClassProtocolGuid, reinterpret_cast<VOID **>(&Class));
  if (!Expect(Class != NULL && InImage(Image, Class) && Class->Revision == 1, Image.Subject, "class.instance",
              "interface %p, Revision %lu", Class, Class != NULL ? Class->Revision : 0)) {
    return;
  }
  PROCESSOR_CLASS_ID Id;
  FillPattern(&Id, sizeof(Id));
  const EFI_STATUS NullCore = Class->GetClassOfThisCore(Class, NULL);
  const EFI_STATUS NullCoreClass = Class->GetCoreClassOfThisCore(Class, NULL);
  const EFI_STATUS NullSocket = Class->GetClassOfSocket(Class, 0, NULL);
  const EFI_STATUS Socket1 = Class->GetClassOfSocket(Class, 1, &Id);
  const EFI_STATUS SocketAll = Class->GetClassOfSocket(Class, ~static_cast<UINTN>(0), &Id);
  Expect(NullCore == EFI_INVALID_PARAMETER && NullCoreClass == EFI_INVALID_PARAMETER &&
             NullSocket == EFI_INVALID_PARAMETER && Socket1 == EFI_INVALID_PARAMETER &&
             SocketAll == EFI_INVALID_PARAMETER && Untouched(&Id, 0, sizeof(Id)),
         Image.Subject, "class.rejects", "NULL record: %r %r %r; socket 1: %r; socket ~0: %r", NullCore, NullCoreClass,
         NullSocket, Socket1, SocketAll);

  const UINT32 Signature = gScenario->Eax;
  FillPattern(&Id, sizeof(Id));
  EFI_STATUS Status = Class->GetClassOfThisCore(Class, &Id);
  CheckClassAnswer(Image, "class.this_core", "GetClassOfThisCore", Status, Id,
                   Image.Variant->ClassOf(ClassOfCore, Signature));
  FillPattern(&Id, sizeof(Id));
  Status = Class->GetCoreClassOfThisCore(Class, &Id);
  CheckClassAnswer(Image, "class.core_of_this_core", "GetCoreClassOfThisCore", Status, Id,
                   Image.Variant->ClassOf(CoreClassOfCore, Signature));

  // On q35 OVMF puts the configuration window at 0xB0000000; 0xE0000000 is unclaimed
  // MMIO, which reads 0 and drops writes. The socket signature is then 0, which no row
  // serves. Anything else there and the expectation is unknown, so the check stands down.
  const UINT32 IndexBefore = ReadMmio32(0xE00000B8);
  const UINT32 DataBefore = ReadMmio32(0xE00000BC);
  FillPattern(&Id, sizeof(Id));
  Status = Class->GetClassOfSocket(Class, 0, &Id);
  const UINT32 IndexAfter = ReadMmio32(0xE00000B8);
  if (IndexBefore != 0 || DataBefore != 0) {
    Info("%a.class.socket skipped: 0xE00000B8/0xE00000BC read 0x%08X/0x%08X, not the empty window expected on q35",
         Image.Subject, IndexBefore, DataBefore);
  } else {
    CheckClassAnswer(Image, "class.socket", "GetClassOfSocket(0) [window reads 0]", Status, Id,
                     Image.Variant->ClassOf(ClassOfSocket, 0));
  }
  Expect(IndexAfter == IndexBefore, Image.Subject, "class.socket_index_restored",
         "index register 0x%08X before, 0x%08X after", IndexBefore, IndexAfter);
}

// --- platform information services

UINT32 ReadFromFake(UINT32 Address) { return RegisterValue(Address); }

bool ReadsWere(const UINT32 *Addresses, UINTN Count) {
  if (gRegisterReadCount != Count) {
    return false;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    const REGISTER_READ &Read = gRegisterReads[Index];
    if (Read.This != RegisterAccessInterface() || Read.Space != 0 || Read.Address != Addresses[Index]) {
      return false;
    }
  }
  return true;
}

void DescribeReads(char *Buffer, UINTN Size) {
  UINTN Length = FormatString(Buffer, Size, "read");
  for (UINTN Index = 0; Index < gRegisterReadCount && Index < 4; Index++) {
    const REGISTER_READ &Read = gRegisterReads[Index];
    Length += FormatString(Buffer + Length, Size - Length, "%a 0x%08X", Index == 0 ? "" : ",", Read.Address);
    if (Read.Space != 0 || Read.This != RegisterAccessInterface()) {
      Length += FormatString(Buffer + Length, Size - Length, " (space %lu, This %p)", static_cast<UINT64>(Read.Space),
                             Read.This);
    }
  }
  if (gRegisterReadCount == 0) {
    FormatString(Buffer, Size, "no register read");
  }
}

void CheckPlatformServices(const DRIVER_IMAGE &Image) {
  PLATFORM_INFO_PROTOCOL *Info = NULL;
  gBS->HandleProtocol(Image.Handle, &gPlatformInfoProtocolGuid, reinterpret_cast<VOID **>(&Info));
  if (!Expect(Info != NULL && InImage(Image, Info) && Info->Revision == 1, Image.Subject, "platform.instance",
              "interface %p, Revision %lu", Info, Info != NULL ? Info->Revision : 0)) {
    return;
  }
  const VARIANT &V = *Image.Variant;
  struct {
    UINT32 UnitMask;
    UINT32 Field;
    UINT32 Width;
    UINT32 Flag;  // the byte written and the three after it
  } Out;
  UINT32 Value;

  // Without a register-access protocol: EFI_DEVICE_ERROR and nothing written.
  VOID *Access = NULL;
  const bool AccessAbsent = gBS->LocateProtocol(&gRegisterAccessProtocolGuid, NULL, &Access) == EFI_NOT_FOUND;
  FillPattern(&Value, sizeof(Value));
  FillPattern(&Out, sizeof(Out));
  const EFI_STATUS NoAccessByte = Info->GetInfoByte(Info, &Value);
  const EFI_STATUS NoAccessUnit =
      Info->GetUnitInfo(Info, &Out.UnitMask, &Out.Field, &Out.Width, reinterpret_cast<UINT8 *>(&Out.Flag));
  Expect(AccessAbsent && NoAccessByte == EFI_DEVICE_ERROR && NoAccessUnit == EFI_DEVICE_ERROR &&
             Untouched(&Value, 0, 4) && Untouched(&Out, 0, sizeof(Out)),
         Image.Subject, "platform.no_register_access", "GetInfoByte %r, GetUnitInfo %r, outputs untouched: %a",
         NoAccessByte, NoAccessUnit, Untouched(&Value, 0, 4) && Untouched(&Out, 0, sizeof(Out)) ? "yes" : "no");

  const EFI_STATUS Installed = InstallRegisterAccess();
  if (!Expect(Installed == EFI_SUCCESS, Image.Subject, "platform.register_access", "install returned %r", Installed)) {
    return;
  }
  // Bits set inside and outside every field, so a wrong shift or width shows.
  SetRegister(0x0005D8F4, 0x9E3779B9);
  SetRegister(0x0005D584, 0x7F4A7C15);
  SetRegister(0x0005D528, 0x12346BC0);
  SetRegister(0x30081CD0, 0xF00001A5);
  SetRegister(0x32081CD0, 0x0FFFFE5A);
  SetRegister(0x34081CD0, 0xAAAAA13C);

  // Missing outputs are refused before the register-access protocol is even looked for.
  gRegisterReadCount = 0;
  FillPattern(&Out, sizeof(Out));
  const EFI_STATUS NullByte = Info->GetInfoByte(Info, NULL);
  const EFI_STATUS WidthOnly = Info->GetUnitInfo(Info, NULL, NULL, &Out.Width, NULL);
  Expect(NullByte == EFI_INVALID_PARAMETER && WidthOnly == EFI_INVALID_PARAMETER && gRegisterReadCount == 0 &&
             Untouched(&Out, 0, sizeof(Out)),
         Image.Subject, "platform.rejects", "GetInfoByte(NULL) %r, GetUnitInfo(Width only) %r, %u register reads",
         NullByte, WidthOnly, static_cast<UINT32>(gRegisterReadCount));

  char Reads[160];
  gRegisterReadCount = 0;
  FillPattern(&Value, sizeof(Value));
  EFI_STATUS Status = Info->GetInfoByte(Info, &Value);
  const UINT32 WantByte = (RegisterValue(V.InfoByteRegister) >> V.InfoByteShift) & 0xFF;
  DescribeReads(Reads, sizeof(Reads));
  Expect(Status == EFI_SUCCESS && Value == WantByte && ReadsWere(&V.InfoByteRegister, 1), Image.Subject,
         "platform.info_byte", "%r 0x%08X, want 0x%08X from register 0x%08X; %a", Status, Value, WantByte,
         V.InfoByteRegister, Reads);
  if (Reporting()) {
    Report("  %-40a %r  Value 0x%02X  (register 0x%08X = 0x%08X)", "GetInfoByte", Status, Value, V.InfoByteRegister,
           RegisterValue(V.InfoByteRegister));
  }

  // Every unit mask: it picks the second register where a deliverable has one.
  static constexpr UINT32 kMasks[] = {1, 3, 2, 0};
  for (UINT32 Mask : kMasks) {
    SetRegister(0x0005D3BC, (0x5A5A5A5AU & ~(3U << 22)) | (Mask << 22));
    const UNIT_INFO_ANSWER Want = V.UnitInfoOf(ReadFromFake);
    gRegisterReadCount = 0;
    FillPattern(&Out, sizeof(Out));
    Status = Info->GetUnitInfo(Info, &Out.UnitMask, &Out.Field, &Out.Width, reinterpret_cast<UINT8 *>(&Out.Flag));
    const UINT8 Flag = static_cast<UINT8>(Out.Flag);
    DescribeReads(Reads, sizeof(Reads));
    char What[40];
    FormatString(What, sizeof(What), "platform.unit_info[mask=%u]", Mask);
    Expect(Status == EFI_SUCCESS && Out.UnitMask == Want.UnitMask && Out.Field == Want.Field && Out.Width == 8 &&
               Flag == Want.Flag && (Out.Flag >> 8) == 0xA5A5A5U && ReadsWere(Want.Reads, Want.ReadCount),
           Image.Subject, What,
           "%r UnitMask %u Field 0x%X Width %u Flag %u (flag word 0x%08X); want %u 0x%X 8 %u; %a", Status,
           Out.UnitMask, Out.Field, Out.Width, static_cast<UINT32>(Flag), Out.Flag, Want.UnitMask, Want.Field,
           static_cast<UINT32>(Want.Flag), Reads);
    // The unit mask only matters where it picks a second register.
    if (Reporting() && (Want.ReadCount == 2 || Mask == kMasks[0])) {
      char Call[48];
      if (Want.ReadCount == 2) {
        FormatString(Call, sizeof(Call), "GetUnitInfo [0x0005D3BC bits 23:22 = %u]", Mask);
      } else {
        FormatString(Call, sizeof(Call), "GetUnitInfo");
      }
      Report("  %-40a %r  UnitMask %u  Field 0x%02X  Width %u  Flag %u  (%a)", Call, Status, Out.UnitMask, Out.Field,
             Out.Width, static_cast<UINT32>(Flag), Reads);
    }
  }

  // The same 16 bytes of the image on every call; any other instance is refused.
  const PLATFORM_INFO_DESCRIPTOR *First = NULL;
  const PLATFORM_INFO_DESCRIPTOR *Second = NULL;
  const EFI_STATUS FirstStatus = Info->GetDescriptor(Info, &First);
  const EFI_STATUS SecondStatus = Info->GetDescriptor(Info, &Second);
  bool WordsOk = First != NULL && InImage(Image, First) && First == Second;
  for (UINTN Index = 0; WordsOk && Index < 4; Index++) {
    WordsOk = First->Word[Index] == V.Descriptor[Index];
  }
  Expect(FirstStatus == EFI_SUCCESS && SecondStatus == EFI_SUCCESS && WordsOk, Image.Subject, "platform.descriptor",
         "%r %r, %p then %p, words 0x%X 0x%X 0x%X 0x%X; want 0x%X 0x%X 0x%X 0x%X", FirstStatus, SecondStatus, First, Second,
         First != NULL ? First->Word[0] : 0, First != NULL ? First->Word[1] : 0, First != NULL ? First->Word[2] : 0,
         First != NULL ? First->Word[3] : 0, V.Descriptor[0], V.Descriptor[1], V.Descriptor[2], V.Descriptor[3]);
  if (Reporting() && First != NULL) {
    Report("  %-40a %r  Words 0x%X 0x%X 0x%X 0x%X (at %p)", "GetDescriptor", FirstStatus, First->Word[0],
           First->Word[1], First->Word[2], First->Word[3], First);
  }
  PLATFORM_INFO_PROTOCOL Foreign = *Info;
  const PLATFORM_INFO_DESCRIPTOR *Sentinel = reinterpret_cast<const PLATFORM_INFO_DESCRIPTOR *>(0xA5A5A5A5A5A5A5A5ULL);
  const PLATFORM_INFO_DESCRIPTOR *FromNull = Sentinel;
  const PLATFORM_INFO_DESCRIPTOR *FromCopy = Sentinel;
  const EFI_STATUS NullThis = Info->GetDescriptor(NULL, &FromNull);
  const EFI_STATUS CopyThis = Info->GetDescriptor(&Foreign, &FromCopy);
  Expect(NullThis == EFI_INVALID_PARAMETER && CopyThis == EFI_INVALID_PARAMETER && FromNull == Sentinel &&
             FromCopy == Sentinel,
         Image.Subject, "platform.descriptor_foreign", "This NULL: %r, a copy of the instance: %r", NullThis, CopyThis);

  const EFI_STATUS Reserved = Info->ReservedService(Info);
  Expect(Reserved == EFI_DEVICE_ERROR && gRegisterOtherCalls == 0, Image.Subject, "platform.reserved",
         "ReservedService %r; %u calls of other register-access members", Reserved,
         static_cast<UINT32>(gRegisterOtherCalls));
  if (Reporting()) {
    Report("  %-40a %r", "ReservedService", Reserved);
  }
  const EFI_STATUS Removed = UninstallRegisterAccess();
  Expect(Removed == EFI_SUCCESS, Image.Subject, "platform.register_access_removed", "uninstall returned %r", Removed);
}

// --- I/O APIC fix-up

UINT32 ReadIoApicId(UINT64 Base) {
  *reinterpret_cast<volatile UINT32 *>(Base) = 0;  // IOREGSEL: the identification register
  return *reinterpret_cast<volatile UINT32 *>(Base + 0x10);
}

// The tables of another driver (the reference platform's producer writes the same ones),
// with the identifiers and routing items the fix-up leaves in them when it applies Id150
// and Id152 (Applies false: nothing).
bool BuildInterruptTables(INTERRUPT_TABLES *Tables, INTERRUPT_TABLES *Want, bool Applies, UINT8 Id150, UINT8 Id152) {
  static const struct {
    UINT64 BaseAddress;
    UINT32 ApicId;
  } kRows[SOC_REF_IOAPIC_ROWS] = SOC_REF_IOAPIC_ROW_VALUES;
  static const struct {
    UINT8 InputNumber;
    UINT8 ApicId;
  } kItems[SOC_REF_ROUTING_ROWS][4] = SOC_REF_ROUTING_ITEM_VALUES;
  if (!AllocateInterruptTables(Tables, SOC_REF_IOAPIC_ROWS, SOC_REF_ROUTING_ROWS, SOC_REF_TABLE_FILL)) {
    return false;
  }
  for (UINT32 Row = 0; Row < SOC_REF_IOAPIC_ROWS; Row++) {
    SetIoApicRow(Tables, Row, kRows[Row].BaseAddress, kRows[Row].ApicId);
  }
  for (UINT32 Row = 0; Row < SOC_REF_ROUTING_ROWS; Row++) {
    for (UINT32 Item = 0; Item < 4; Item++) {
      SetRoutingItem(Tables, Row, Item, kItems[Row][Item].InputNumber, kItems[Row][Item].ApicId);
    }
  }
  if (!CopyInterruptTables(*Tables, Want)) {
    return false;
  }
  if (Applies) {
    SetIoApicRow(Want, 0, 0xFEC00000, Id150);
    SetIoApicRow(Want, 2, 0xFEC01000, Id152);
    SetRoutingItem(Want, 0, 1, 24, Id150);
    SetRoutingItem(Want, 0, 2, 55, Id150);
    SetRoutingItem(Want, 1, 0, 24, Id152);
    SetRoutingItem(Want, 1, 1, 55, Id152);
  }
  return true;
}

// The identifiers the fix-up applies: our PCD protocol's, or on the platform its own PCD
// database's, read through the same protocol the drivers use.
bool FixupIds(const ROUND &Round, const char *Subject, UINT8 *Id150, UINT8 *Id152) {
  *Id150 = kToken150Value;
  *Id152 = kToken152Value;
  if (Round.Start != StartObserve) {
    return true;
  }
  PCD_PROTOCOL *Pcd = NULL;
  if (!Expect(gBS->LocateProtocol(&gPcdProtocolGuid, NULL, reinterpret_cast<VOID **>(&Pcd)) == EFI_SUCCESS && Pcd != NULL,
              Subject, "ioapic.platform_pcd", "the platform has no PCD_PROTOCOL")) {
    return false;
  }
  *Id150 = Pcd->Get8(150);
  *Id152 = Pcd->Get8(152);
  return true;
}

bool SameTables(const INTERRUPT_TABLES &Got, const INTERRUPT_TABLES &Want, const char *Subject, const char *What) {
  UINTN IoApicAt = 0;
  UINTN At = 0;
  const bool IoApicSame = SameBytes(Got.IoApic, Want.IoApic, Want.IoApicSize, &IoApicAt);
  const bool RoutingSame = SameBytes(Got.Routing, Want.Routing, Want.RoutingSize, &At);
  return Expect(IoApicSame && RoutingSame, Subject, What,
                "I/O APIC table %a (byte %u: 0x%02X, want 0x%02X), routing table %a (byte %u: 0x%02X, want 0x%02X)",
                IoApicSame ? "as expected" : "differs", static_cast<UINT32>(IoApicAt), Got.IoApic[IoApicAt],
                Want.IoApic[IoApicAt], RoutingSame ? "as expected" : "differs", static_cast<UINT32>(At), Got.Routing[At],
                Want.Routing[At]);
}

// The platform's own producer installed its tables after the drivers started: the fix-up
// ran inside the platform. Its instance is then removed, so that the application's own
// install below is the one LocateProtocol finds.
void CheckPlatformInterruptTables(const ROUND &Round, const char *Subject) {
  INTERRUPT_TABLES Expected;
  INTERRUPT_TABLES Want;
  UINT8 Id150;
  UINT8 Id152;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (!FixupIds(Round, Subject, &Id150, &Id152) ||
      !Expect(gBS->LocateHandleBuffer(ByProtocol, &gInterruptTableProtocolGuid, NULL, &Count, &Handles) == EFI_SUCCESS &&
                  Count == 1,
              Subject, "ioapic.platform_producer", "%u INTERRUPT_TABLE_PROTOCOL instances, want the platform's one",
              static_cast<UINT32>(Count)) ||
      !BuildInterruptTables(&Expected, &Want, true, Id150, Id152)) {
    return;
  }
  INTERRUPT_TABLE_PROTOCOL *Interface = NULL;
  gBS->HandleProtocol(Handles[0], &gInterruptTableProtocolGuid, reinterpret_cast<VOID **>(&Interface));
  INTERRUPT_TABLES Got = Want;
  Got.IoApic = reinterpret_cast<UINT8 *>(Interface->IoApicTable);
  Got.Routing = reinterpret_cast<UINT8 *>(Interface->RoutingTable);
  SameTables(Got, Want, Subject, "ioapic.platform_tables");
  const EFI_STATUS Removed = gBS->UninstallProtocolInterface(Handles[0], &gInterruptTableProtocolGuid, Interface);
  Expect(Removed == EFI_SUCCESS, Subject, "ioapic.platform_removed", "uninstall returned %r", Removed);
  gBS->FreePool(Handles);
  FreeInterruptTables(&Expected);
  FreeInterruptTables(&Want);
}

// The application's tables, installed once every image has started.
void CheckIoApicFixup(const ROUND &Round, const char *Subject) {
  INTERRUPT_TABLES Tables;
  INTERRUPT_TABLES Want;
  UINT8 Id150;
  UINT8 Id152;
  // Without a PCD protocol there is nothing to apply.
  const bool Applies = Round.Pcd != PcdHidden;
  if (!FixupIds(Round, Subject, &Id150, &Id152)) {
    return;
  }
  if (!BuildInterruptTables(&Tables, &Want, Applies, Id150, Id152)) {
    Fail(Subject, "ioapic", "no pool for the tables");
    return;
  }

  const UINT32 HardwareBefore[2] = {ReadIoApicId(0xFEC00000), ReadIoApicId(0xFEC01000)};
  const UINTN PcdMark = gPcdReadCount;
  EFI_HANDLE Handle = NULL;
  const EFI_STATUS Status =
      gBS->InstallProtocolInterface(&Handle, &gInterruptTableProtocolGuid, EFI_NATIVE_INTERFACE, Tables.Interface);
  const UINTN PcdEnd = gPcdReadCount;
  if (!Expect(Status == EFI_SUCCESS, Subject, "ioapic.install", "InstallProtocolInterface returned %r", Status)) {
    return;
  }
  UINTN At = 0;
  const bool InterfaceSame = SameBytes(Tables.Interface, Want.Interface, Tables.InterfaceSize, &At);
  Expect(InterfaceSame, Subject, "ioapic.interface", "interface byte %u changed", static_cast<UINT32>(At));
  SameTables(Tables, Want, Subject, "ioapic.tables");
  if (Reporting()) {
    Report("I/O APIC fix-up when INTERRUPT_TABLE_PROTOCOL is installed (PCD 150 = 0x%02X, 152 = 0x%02X):",
           Id150, Id152);
    Report("  0xFEC00000  ApicId 0xABCDEF05 -> 0x%08X   0xFEC01000  ApicId 0x12345606 -> 0x%08X",
           IoApicRowId(Tables, 0), IoApicRowId(Tables, 2));
    Report("  0x1FEC00000 ApicId 0x00000007 -> 0x%08X   0xFEC02000  ApicId 0x00000008 -> 0x%08X",
           IoApicRowId(Tables, 1), IoApicRowId(Tables, 3));
    Report("  routing (input:id) 23:05 24:05 55:05 56:05 -> 23:%02X 24:%02X 55:%02X 56:%02X", RoutingItemId(Tables, 0, 0),
           RoutingItemId(Tables, 0, 1), RoutingItemId(Tables, 0, 2), RoutingItemId(Tables, 0, 3));
    Report("  routing (input:id) 24:06 55:06 40:07 23:06 -> 24:%02X 55:%02X 40:%02X 23:%02X", RoutingItemId(Tables, 1, 0),
           RoutingItemId(Tables, 1, 1), RoutingItemId(Tables, 1, 2), RoutingItemId(Tables, 1, 3));
  }

  // Each image of the round ran its own callback, through the firmware's notification
  // (seen through our PCD protocol's log, which the platform's does not keep).
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    const DRIVER_IMAGE &Image = Round.Images[Index];
    if (!Image.Started || Round.Start == StartObserve) {
      continue;
    }
    const PCD_WANT *Parts[1] = {kIoApicReads};
    const UINTN Counts[1] = {Applies ? 2U : 0U};
    CheckReads(Image, "ioapic.notified", PcdMark, PcdEnd, Parts, Counts, 1);
  }
  const UINT32 HardwareAfter[2] = {ReadIoApicId(0xFEC00000), ReadIoApicId(0xFEC01000)};
  Expect(HardwareAfter[0] == HardwareBefore[0] && HardwareAfter[1] == HardwareBefore[1], Subject, "ioapic.hardware",
         "identification registers 0x%08X/0x%08X before, 0x%08X/0x%08X after", HardwareBefore[0], HardwareBefore[1],
         HardwareAfter[0], HardwareAfter[1]);

  // The next round installs tables of its own, and LocateProtocol would find these first.
  const EFI_STATUS Removed = gBS->UninstallProtocolInterface(Handle, &gInterruptTableProtocolGuid, Tables.Interface);
  Expect(Removed == EFI_SUCCESS, Subject, "ioapic.removed", "uninstall returned %r", Removed);
  FreeInterruptTables(&Want);
}

// --- the reference platform's C modules

// The platform's C consumer of SocDxeM70's protocols: dispatched after SocDxeM70 on a
// processor it serves, and then with the answers the drivers' own services must give;
// never dispatched on another processor (the firmware's log says so too).
void CheckPlatformConsumer(const ROUND &Round, const char *Subject) {
  const VARIANT *M70 = NULL;
  for (UINTN Index = 0; Index < kVariantCount; Index++) {
    M70 = AsciiEqual(kVariants[Index].Name, "m70") ? &kVariants[Index] : M70;
  }
  EFI_GUID ConsumerFile;
  EFI_GUID M70File;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (M70 == NULL || !ParseGuid(SOC_REF_CONSUMER_FILE_GUID_TEXT, &ConsumerFile) || !ParseGuid(M70->FileGuid, &M70File) ||
      gBS->LocateHandleBuffer(ByProtocol, &gEfiLoadedImageProtocolGuid, NULL, &Count, &Handles) != EFI_SUCCESS) {
    Fail(Subject, "consumer", "no loaded images");
    return;
  }
  // Loaded images in the order they were loaded, which is the dispatch order.
  const UINTN None = ~static_cast<UINTN>(0);
  UINTN ConsumerAt = None;
  UINTN M70At = None;
  for (UINTN At = 0; At < Count; At++) {
    EFI_LOADED_IMAGE_PROTOCOL *Loaded = NULL;
    EFI_GUID File;
    if (gBS->HandleProtocol(Handles[At], &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Loaded)) ==
            EFI_SUCCESS && Loaded != NULL && FirmwareFileOf(Loaded->FilePath, &File)) {
      ConsumerAt = GuidEquals(&File, &ConsumerFile) ? At : ConsumerAt;
      M70At = GuidEquals(&File, &M70File) ? At : M70At;
    }
  }
  gBS->FreePool(Handles);
  EFI_GUID ResultGuid = SOC_REF_CONSUMER_RESULT_GUID;
  const SOC_REF_CONSUMER_RESULT *R = NULL;
  const EFI_STATUS Found = gBS->LocateProtocol(&ResultGuid, NULL, reinterpret_cast<VOID **>(const_cast<SOC_REF_CONSUMER_RESULT **>(&R)));
  if (!Accepts(*M70, gScenario->Eax, gScenario->Ebx)) {
    Expect(ConsumerAt == None && Found == EFI_NOT_FOUND, Subject, "consumer.held",
           "dispatched (image %u of %u, answers %r) on a processor SocDxeM70 does not serve", static_cast<UINT32>(ConsumerAt),
           static_cast<UINT32>(Count), Found);
    return;
  }
  if (!Expect(ConsumerAt != None && M70At != None && ConsumerAt > M70At && Found == EFI_SUCCESS && R != NULL, Subject,
              "consumer.dispatched", "consumer image %u, SocDxeM70 image %u of %u; answers %r",
              static_cast<UINT32>(ConsumerAt), static_cast<UINT32>(M70At), static_cast<UINT32>(Count), Found)) {
    return;
  }
  const auto Is = [](EFI_STATUS Status, const PROCESSOR_CLASS_ID &Got, const CLASS_ANSWER &Want) {
    return Want.Served ? Status == EFI_SUCCESS && Got.FamilyClass == Want.Class.FamilyClass &&
                             Got.RevisionClass == Want.Class.RevisionClass
                       : Status == EFI_DEVICE_ERROR;
  };
  const UINT32 Eax = gScenario->Eax;
  // The window at 0xE0000000 reads 0 on q35 (see CheckClassServices).
  const bool WindowEmpty = ReadMmio32(0xE00000B8) == 0 && ReadMmio32(0xE00000BC) == 0;
  Expect(R->Located[0] == EFI_SUCCESS && R->Located[1] == EFI_SUCCESS && R->Located[2] == EFI_SUCCESS &&
             Is(R->ThisCore, R->ThisCoreId, M70->ClassOf(ClassOfCore, Eax)) &&
             Is(R->CoreOfThisCore, R->CoreOfThisCoreId, M70->ClassOf(CoreClassOfCore, Eax)) &&
             (!WindowEmpty || Is(R->Socket0, R->Socket0Id, M70->ClassOf(ClassOfSocket, 0))) &&
             R->Socket1 == EFI_INVALID_PARAMETER,
         Subject, "consumer.class", "located %r %r %r; this core %r %08X/%04X, core class %r %08X/%04X, socket 0 %r, 1 %r",
         R->Located[0], R->Located[1], R->Located[2], R->ThisCore, R->ThisCoreId.FamilyClass,
         static_cast<UINT32>(R->ThisCoreId.RevisionClass), R->CoreOfThisCore, R->CoreOfThisCoreId.FamilyClass,
         static_cast<UINT32>(R->CoreOfThisCoreId.RevisionClass), R->Socket0, R->Socket1);
  // The platform has no register-access protocol: both reads fail and write nothing.
  bool DescriptorSame = R->Descriptor == EFI_SUCCESS;
  for (UINTN Word = 0; Word < 4; Word++) {
    DescriptorSame = DescriptorSame && R->DescriptorWords.Word[Word] == M70->Descriptor[Word];
  }
  Expect(R->InfoByte == EFI_DEVICE_ERROR && R->InfoByteValue == SOC_REF_UNTOUCHED && R->UnitInfo == EFI_DEVICE_ERROR &&
             R->UnitMask == SOC_REF_UNTOUCHED && DescriptorSame && R->Reserved == EFI_DEVICE_ERROR,
         Subject, "consumer.platform", "GetInfoByte %r 0x%08X, GetUnitInfo %r 0x%08X, GetDescriptor %r, ReservedService %r",
         R->InfoByte, R->InfoByteValue, R->UnitInfo, R->UnitMask, R->Descriptor, R->Reserved);
  const UINT8 *Hobs[16];
  UINTN HobCount = 0;
  WalkHobs(static_cast<const UINT8 *>(ConfigurationTable(&gEfiHobListGuid)), Hobs, 16, &HobCount);
  UINT32 Bytes = 0;
  for (UINTN Index = 0; Index < HobCount; Index++) {
    Bytes += reinterpret_cast<const HEAP_HOB_HEADER *>(Hobs[Index] + sizeof(EFI_HOB_GUID_TYPE))->DataSize;
  }
  Expect(R->HeapNodes == HobCount && R->HeapBytes == Bytes, Subject, "consumer.heap_list",
         "%u nodes of %u bytes; the HOB list holds %u eligible HEAP HOBs of %u bytes", R->HeapNodes, R->HeapBytes,
         static_cast<UINT32>(HobCount), Bytes);
}

// A copy of the served driver, started with its last presence GUID already on its handle:
// its message about the failed install goes to the platform's DEBUG_PRINT_PROTOCOL, the
// first one installed, and from there to the platform's debug log (which the runner reads).
void StartCopyOnPlatform(const ROUND &Round) {
  static DRIVER_IMAGE Copy;
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    if (Accepted(Round.Images[Index])) {
      Copy = {};
      Copy.Variant = Round.Images[Index].Variant;
      Copy.Round = Round.Images[Index].Round;
      Copy.LoadStatus = kNotRun;
      Copy.EntryStatus = kNotRun;
      FormatString(Copy.Subject, sizeof(Copy.Subject), "%a.copy", Round.Images[Index].Subject);
    }
  }
  VOID *First = NULL;
  gBS->LocateProtocol(&gDebugPrintProtocolGuid, NULL, &First);
  if (!Expect(Copy.Variant != NULL && First != NULL && First != DebugPrintInterface(), NULL, "platform_debug_print",
              "no served driver, or the first DEBUG_PRINT_PROTOCOL (%p) is not the platform's", First)) {
    return;
  }
  const UINTN Messages = gMessageCount;
  if (Load(&Copy)) {
    Start(&Copy, Round);
    Expect(gMessageCount == Messages, Copy.Subject, "messages_to_platform", "%u messages reached the application's protocol",
           static_cast<UINT32>(gMessageCount - Messages));
  }
}

// --- report

void ReportImage(const DRIVER_IMAGE &Image, const ROUND &Round, const MARKS &Marks) {
  Report("%a (%a), started %a of %u: entry %r", Image.Variant->ImageName, Image.Subject, Ordinal(Image.Position),
         static_cast<UINT32>(Round.Count), Image.EntryStatus);
  if (!Accepted(Image)) {
    Report("  processor not served: CPUID 0x80000001 EAX 0x%08X & 0x0FFF0F00 = 0x%08X (serves 0x%08X), EBX[31:28] = %u",
           gScenario->Eax, gScenario->Eax & 0x0FFF0F00U, Image.Variant->AcceptedSignature, gScenario->Ebx >> 28);
  }
  UINTN Presence = 0;
  for (UINTN Index = Marks.Install; Index < Marks.InstallAfterStart && Index < 256; Index++) {
    const INSTALL_CALL &Call = gInstalls[Index];
    if (Call.Caller != &Image) {
      continue;
    }
    const char *Name = GuidName(&Call.Guid);
    const UINTN Position = PresencePosition(*Image.Variant, &Call.Guid);
    if (Name != NULL) {
      Report("  installed %a on %a: %r%a", Name, Call.HandleIn == Image.Handle ? "its image handle" : "a new handle",
             Call.Status, Call.Injected ? " (failure injected by the test)" : "");
    } else if (Position != 0) {
      if (Presence++ == 0) {
        Report("  presence GUIDs on its image handle, NULL interfaces, in install order:");
      }
      Report("    %2u  %g  %r", static_cast<UINT32>(Position), &Call.Guid, Call.Status);
    } else {
      Report("  installed %g: %r", &Call.Guid, Call.Status);
    }
  }
  if (Presence != 0) {
    Report("  %u presence GUIDs in all", static_cast<UINT32>(Presence));
  }
  if (!Accepted(Image)) {
    Report("  published nothing on its image handle");
  }
  PROTOCOL_LIST List = ListProtocols(Image.Handle);
  Report("  its image handle now carries %u protocols (%u of them the firmware's)", static_cast<UINT32>(List.Count),
         static_cast<UINT32>(Image.BaselineCount));
  FreeProtocolList(&List);
}

}  // namespace

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
    }
    CheckHandle(Image);
    if (Round.Start != StartObserve) {
      CheckEntryReads(Round, Image, Marks);
    }
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
