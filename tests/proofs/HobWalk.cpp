// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any HOB list of HOB_BYTES bytes after its PHIT, walked for any GUID from its start. The
// calls that go on from a found HOB are the heap migration's, and its proof covers them.
#include <string.h>

#include "Model.h"

#define PHIT_BYTES 56
#define LIST_BYTES (PHIT_BYTES + HOB_BYTES)

extern "C" void Harness() {
  UINT8 Storage[LIST_BYTES];  // never written: any bytes
  UINT8 *List = &Storage[0];
  // PI 1.8, vol. 3, 5.3: the list starts with the PHIT, whose EfiEndOfHobList is the
  // address of the end-of-list HOB inside the list's memory. Whether a HOB really sits
  // there, and every other byte, is left open.
  UINT16 Type = EFI_HOB_TYPE_HANDOFF;
  memcpy(List, &Type, 2);
  UINT16 PhitLength;
  memcpy(&PhitLength, List + 2, 2);
  __CPROVER_assume(PhitLength >= PHIT_BYTES);  // the PHIT is a whole PHIT
  const UINTN EndAt = AnySize();
  __CPROVER_assume(EndAt >= PHIT_BYTES && EndAt <= LIST_BYTES - 8);
  UINT64 EndHob = reinterpret_cast<UINTN>(List + EndAt);
  memcpy(List + 48, &EndHob, 8);

  EFI_CONFIGURATION_TABLE Entry = {gEfiHobListGuid, List};
  BindModel(&Entry, 1);
  __CPROVER_assert(GetHobList() == List && gHobListEnd == List + EndAt + 8, "the PHIT's list");

  EFI_GUID Name;  // any GUID
  const UINT8 *Found = static_cast<const UINT8 *>(FindNextGuidHob(&Name, List));
  if (Found != NULL) {
    const UINTN At = Found - List;
    EFI_HOB_GENERIC_HEADER Header;
    memcpy(&Header, Found, 8);
    __CPROVER_assert(At + Header.HobLength <= EndAt + 8, "inside the list");
    __CPROVER_assert(Header.HobType == EFI_HOB_TYPE_GUID_EXTENSION && Header.HobLength >= 24, "a GUID HOB");
    __CPROVER_assert(memcmp(Found + 8, &Name, 16) == 0, "of that name");
  }
}
