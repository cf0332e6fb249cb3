// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any configuration table of up to ENTRIES entries, searched for any GUID.
#include <string.h>

#include "Model.h"

static bool Same(const EFI_GUID *A, const EFI_GUID *B) { return memcmp(A, B, sizeof(EFI_GUID)) == 0; }

extern "C" void Harness() {
  EFI_CONFIGURATION_TABLE Entries[ENTRIES];  // any GUIDs and tables
  const UINTN Count = AnySize();
  // UEFI 2.10, 4.3: ConfigurationTable holds NumberOfTableEntries entries.
  __CPROVER_assume(Count <= ENTRIES);
  BindModel(&Entries[0], Count);
  EFI_GUID Wanted;
  VOID *Table = &Wanted;
  const EFI_STATUS Status = LookupConfigurationTable(&Wanted, &Table);
  UINTN First = ENTRIES;
  for (UINTN I = ENTRIES; I > 0; I--) {
    if (I <= Count && Same(&Entries[I - 1].VendorGuid, &Wanted)) First = I - 1;
  }
  if (First < ENTRIES) {
    __CPROVER_assert(Status == EFI_SUCCESS && Table == Entries[First].VendorTable, "the first match");
  } else {
    __CPROVER_assert(Status == EFI_NOT_FOUND && Table == NULL, "not found, NULL");
  }
}
