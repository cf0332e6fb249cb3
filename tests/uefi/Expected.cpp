// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "tests/uefi/Expected.h"

#include "tests/common/ClassTables.h"
#include "tests/common/PresenceLists.h"

namespace {

UINT32 Bits(UINT32 Value, UINT32 High, UINT32 Low) { return (Value >> Low) & ((1U << (High - Low + 1)) - 1); }

// The class tables' expected answers: a listed hit gives its pairs, a listed miss none;
// any other signature is not covered here (the check then only reports).
template <UINTN HitCount, UINTN MissCount>
CLASS_ANSWER ClassOf(const classcase::Hit (&Hits)[HitCount], const UINT32 (&Misses)[MissCount], CLASS_QUERY Query,
                     UINT32 Signature, PROCESSOR_CLASS_ID Missed) {
  for (const classcase::Hit &H : Hits) {
    if (H.Sig == (Signature & 0x0FFF0FFFU)) {
      return Query == CoreClassOfCore ? CLASS_ANSWER{true, true, {H.CoreFamilyClass, H.CoreRevisionClass}}
                                      : CLASS_ANSWER{true, true, {H.FamilyClass, H.RevisionClass}};
    }
  }
  for (UINT32 Miss : Misses) {
    if (Miss == Signature) {
      return {true, false, Missed};
    }
  }
  return {false, false, {}};
}

CLASS_ANSWER M70ClassOf(CLASS_QUERY Query, UINT32 Signature) {
  return ClassOf(classcase::kM70Hits, classcase::kM70Misses, Query, Signature, {});
}

// After EFI_DEVICE_ERROR the record holds the "no class" values.
CLASS_ANSWER M60ClassOf(CLASS_QUERY Query, UINT32 Signature) {
  return ClassOf(classcase::kM60Hits, classcase::kM60Misses, Query, Signature, {0x80000000U, 0x8000U});
}

UNIT_INFO_ANSWER M70UnitInfoOf(UINT32 (*Read)(UINT32 Address)) {
  const UINT32 R = Read(0x0005D528);
  return {1, Bits(R, 14, 7), 8, static_cast<UINT8>(Bits(R, 6, 6)), {0x0005D528, 0}, 1};
}

UNIT_INFO_ANSWER M60UnitInfoOf(UINT32 (*Read)(UINT32 Address)) {
  const UINT32 Mask = Bits(Read(0x0005D3BC), 23, 22);
  const UINT32 Unit = (Mask & 1) != 0 ? 0 : (Mask & 2) != 0 ? 1 : 2;
  const UINT32 Second = (Unit << 25) | 0x30081CD0U;
  const UINT32 R2 = Read(Second);
  return {Mask, Bits(R2, 7, 0), 8, static_cast<UINT8>(Bits(R2, 8, 8)), {0x0005D3BC, Second}, 2};
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

}  // namespace

const VARIANT kVariants[] = {
    {"m70", "SocDxeM70", "opt/soc/m70", "31B09955-39F3-4E8E-9604-E6B057C661C9", 0x00A70F00, expect::kM70PresenceList,
     sizeof(expect::kM70PresenceList) / sizeof(expect::kM70PresenceList[0]),
     {1, 0x57, 0x5B, 0x59}, 0x0005D8F4, 1, false, M70ClassOf, M70UnitInfoOf},
    {"m60", "SocDxeM60", "opt/soc/m60", "402772CB-A19D-4415-971F-843427F03D8E", 0x00A60F00, expect::kM60PresenceList,
     sizeof(expect::kM60PresenceList) / sizeof(expect::kM60PresenceList[0]),
     {1, 0x24, 0x28, 0x26}, 0x0005D584, 19, true, M60ClassOf, M60UnitInfoOf},
};
const UINTN kVariantCount = sizeof(kVariants) / sizeof(kVariants[0]);

bool Accepts(const VARIANT &Variant, UINT32 Eax, UINT32 Ebx) {
  return (Eax & 0x0FFF0F00U) == Variant.AcceptedSignature && (Ebx & 0xF0000000U) == 0;
}

bool ParseGuid(const char *Text, EFI_GUID *Guid) {
  // Byte order of the registry form: Data1, Data2, Data3 big-endian fields, then Data4.
  UINT8 Bytes[16];
  UINTN Count = 0;
  for (UINTN Index = 0; Text[Index] != 0; Index++) {
    if (Index == 8 || Index == 13 || Index == 18 || Index == 23) {
      if (Text[Index] != '-') return false;
      continue;
    }
    const int High = HexDigit(Text[Index]);
    const int Low = High < 0 ? -1 : HexDigit(Text[++Index]);
    if (Low < 0 || Count == 16) return false;
    Bytes[Count++] = static_cast<UINT8>(High * 16 + Low);
  }
  if (Count != 16) return false;
  Guid->Data1 = (UINT32(Bytes[0]) << 24) | (UINT32(Bytes[1]) << 16) | (UINT32(Bytes[2]) << 8) | Bytes[3];
  Guid->Data2 = static_cast<UINT16>((Bytes[4] << 8) | Bytes[5]);
  Guid->Data3 = static_cast<UINT16>((Bytes[6] << 8) | Bytes[7]);
  for (UINTN Index = 0; Index < 8; Index++) Guid->Data4[Index] = Bytes[8 + Index];
  return true;
}

UINTN PresencePosition(const VARIANT &Variant, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < Variant.PresenceCount; Index++) {
    EFI_GUID Entry;
    if (ParseGuid(Variant.Presence[Index], &Entry) && GuidEquals(&Entry, Guid)) {
      return Index + 1;
    }
  }
  return 0;
}
