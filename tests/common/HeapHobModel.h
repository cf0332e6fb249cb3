// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Which HOBs of a list carry a buffer that the drivers must migrate, read from the bytes with
// offsets of their own: a GUID HOB (PI vol. 3: type 0x0004 at 0, length at 2, name at 8) named
// D97D161A-16CD-4ADA-B9F6-AEC3F9FCCC2C, at least 40 bytes long, whose heap header at 24 has
// the signature "HEAP" (0x50414548) at 0, a DataSize at 8 that fits in the HOB after the
// header, and the MigrateFlag 1 at 13. No library: the test application uses it too, beside
// the unit tests and the fuzz target.
#pragma once

#include "efi/Uefi.h"

namespace model {

inline UINT32 LittleEndian(const UINT8 *At, UINTN Bytes) {
  UINT32 Value = 0;
  for (UINTN I = Bytes; I-- > 0;) {
    Value = (Value << 8) | At[I];
  }
  return Value;
}

inline bool HeapHobMigrates(const UINT8 *Hob) {
  static const UINT8 kHeapHobName[16] = {0x1A, 0x16, 0x7D, 0xD9, 0xCD, 0x16, 0xDA, 0x4A,
                                         0xB9, 0xF6, 0xAE, 0xC3, 0xF9, 0xFC, 0xCC, 0x2C};
  const UINT32 Length = LittleEndian(Hob + 2, 2);
  if (LittleEndian(Hob, 2) != 0x0004 || Length < 40) {
    return false;
  }
  for (UINTN I = 0; I < 16; I++) {
    if (Hob[8 + I] != kHeapHobName[I]) {
      return false;
    }
  }
  return LittleEndian(Hob + 24, 4) == 0x50414548U && Hob[24 + 13] == 1 && LittleEndian(Hob + 24 + 8, 4) <= Length - 40;
}

// The HOBs that migrate, from List to its end HOB (type 0xFFFF) or to a length under 8,
// where the walk stops (*End, if given); returns how many, keeping the first Max of them.
inline UINTN HeapHobsThatMigrate(const UINT8 *List, const UINT8 **Found, UINTN Max, const UINT8 **End = NULL) {
  UINTN Count = 0;
  const UINT8 *Hob = List;
  for (; LittleEndian(Hob, 2) != 0xFFFF && LittleEndian(Hob + 2, 2) >= 8; Hob += LittleEndian(Hob + 2, 2)) {
    if (HeapHobMigrates(Hob)) {
      if (Count < Max) {
        Found[Count] = Hob;
      }
      Count++;
    }
  }
  if (End != NULL) {
    *End = Hob;
  }
  return Count;
}

}  // namespace model
