// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The reference platform's C modules around the drivers.
#include "tests/uefi/Checks.h"

#include "tests/common/Published.h"
#include "tests/platform/SocRefPlatform.h"
#include "tests/uefi/Dispatch.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Handles.h"
#include "tests/uefi/Print.h"
#include "efi/LoadedImage.h"

// What the platform's REGISTER_ACCESS_PROTOCOL answers for a register.
static UINT32 PlatformRegister(UINT32 Address) {
  static const SOC_REF_REGISTER Registers[] = SOC_REF_REGISTER_VALUES;
  for (const SOC_REF_REGISTER &Register : Registers) {
    if (Register.Address == Address) {
      return Register.Value;
    }
  }
  return 0;
}

// The platform's C consumer of SocDxeM70's protocols: dispatched after SocDxeM70 on a
// processor it serves, and then with the answers the drivers' own services must give;
// never dispatched on another processor (the firmware's log says so too).
void CheckPlatformConsumer(const ROUND &Round, const char *Subject) {
  const VARIANT *M70 = NULL;
  for (UINTN Index = 0; Index < kVariantCount; Index++) {
    M70 = AsciiEqual(kVariants[Index].Name, "m70") ? &kVariants[Index] : M70;
  }
  EFI_GUID ConsumerFile;
  EFI_GUID DebugPrintFile;
  EFI_GUID M70File;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (M70 == NULL || !ParseGuid(SOC_REF_CONSUMER_FILE_GUID_TEXT, &ConsumerFile) ||
      !ParseGuid(SOC_REF_DEBUG_PRINT_FILE_GUID_TEXT, &DebugPrintFile) || !ParseGuid(M70->FileGuid, &M70File) ||
      gBS->LocateHandleBuffer(ByProtocol, &gEfiLoadedImageProtocolGuid, NULL, &Count, &Handles) != EFI_SUCCESS) {
    Fail(Subject, "consumer", "no loaded images");
    return;
  }
  // Loaded images in the order they were loaded, which is the dispatch order.
  const UINTN None = ~static_cast<UINTN>(0);
  UINTN ConsumerAt = None;
  UINTN DebugPrintAt = None;
  UINTN M70At = None;
  for (UINTN At = 0; At < Count; At++) {
    EFI_LOADED_IMAGE_PROTOCOL *Loaded = NULL;
    EFI_GUID File;
    if (gBS->HandleProtocol(Handles[At], &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Loaded)) ==
            EFI_SUCCESS && Loaded != NULL && FirmwareFileOf(Loaded->FilePath, &File)) {
      ConsumerAt = GuidEquals(&File, &ConsumerFile) ? At : ConsumerAt;
      DebugPrintAt = GuidEquals(&File, &DebugPrintFile) && DebugPrintAt == None ? At : DebugPrintAt;
      M70At = GuidEquals(&File, &M70File) ? At : M70At;
    }
  }
  gBS->FreePool(Handles);
  // The volume holds the debug-print producer after the drivers; its APRIORI file must
  // still have it dispatched first.
  Expect(DebugPrintAt != None && M70At != None && DebugPrintAt < M70At, Subject, "platform.debug_print_first",
         "debug-print producer image %u, SocDxeM70 image %u of %u", static_cast<UINT32>(DebugPrintAt),
         static_cast<UINT32>(M70At), static_cast<UINT32>(Count));
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
  // The answers through the platform's own REGISTER_ACCESS_PROTOCOL and its registers.
  bool DescriptorSame = R->Descriptor == EFI_SUCCESS;
  for (UINTN Word = 0; Word < 4; Word++) {
    DescriptorSame = DescriptorSame && R->DescriptorWords.Word[Word] == M70->Descriptor[Word];
  }
  const UINT32 WantByte = (PlatformRegister(M70->InfoByteRegister) >> M70->InfoByteShift) & 0xFF;
  const UNIT_INFO_ANSWER Want = M70->UnitInfoOf(PlatformRegister);
  Expect(R->InfoByte == EFI_SUCCESS && R->InfoByteValue == WantByte && R->UnitInfo == EFI_SUCCESS &&
             R->UnitMask == Want.UnitMask && R->UnitField == Want.Field && R->UnitWidth == Want.Width &&
             R->UnitFlag == Want.Flag && DescriptorSame && R->Reserved == EFI_DEVICE_ERROR,
         Subject, "consumer.platform",
         "GetInfoByte %r 0x%08X (want 0x%02X), GetUnitInfo %r mask %u field 0x%X width %u flag %u (want %u 0x%X %u %u), "
         "GetDescriptor %r, ReservedService %r",
         R->InfoByte, R->InfoByteValue, WantByte, R->UnitInfo, R->UnitMask, R->UnitField, R->UnitWidth,
         static_cast<UINT32>(R->UnitFlag), Want.UnitMask, Want.Field, Want.Width, static_cast<UINT32>(Want.Flag),
         R->Descriptor, R->Reserved);
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
