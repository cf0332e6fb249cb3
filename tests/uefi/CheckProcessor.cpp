// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The processor class and platform information services of a served image.
#include "tests/uefi/Checks.h"

#include "tests/common/Published.h"
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Print.h"

namespace {

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
    if (Status != EFI_SUCCESS && Untouched(&Got, 0, 6)) {
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

}  // namespace

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

void CheckPlatformServices(const DRIVER_IMAGE &Image) {
  PLATFORM_INFO_PROTOCOL *Info = NULL;
  gBS->HandleProtocol(Image.Handle, &gPlatformInfoProtocolGuid, reinterpret_cast<VOID **>(&Info));
  if (!Expect(Info != NULL && InImage(Image, Info) && Info->Revision == 1, Image.Subject, "platform.instance",
              "interface %p, Revision %lu", Info, Info != NULL ? Info->Revision : 0)) {
    return;
  }
  const VARIANT &V = *Image.Variant;
  // The reference platform serves the registers itself; its consumer's answers through it
  // are checked there (consumer.platform).
  VOID *Platform = NULL;
  if (gBS->LocateProtocol(&gRegisterAccessProtocolGuid, NULL, &Platform) == EFI_SUCCESS &&
      Platform != RegisterAccessInterface()) {
    ::Info("%a.platform: the platform's own REGISTER_ACCESS_PROTOCOL answers; see consumer.platform", Image.Subject);
    return;
  }
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
