// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Protocol-database queries shared by checks and the report.
#pragma once

#include "efi/Uefi.h"

// The protocol GUIDs installed on Handle, from ProtocolsPerHandle. Count is 0 when the
// call fails; free the array with FreeProtocolList.
struct PROTOCOL_LIST {
  EFI_STATUS Status;
  EFI_GUID **Guids;
  UINTN Count;
};
PROTOCOL_LIST ListProtocols(EFI_HANDLE Handle);
void FreeProtocolList(PROTOCOL_LIST *List);
bool ListHas(const PROTOCOL_LIST &List, const EFI_GUID *Guid);

// The configuration table entry named Guid, or NULL.
VOID *ConfigurationTable(const EFI_GUID *Guid);

// A readable name for a GUID this tree knows, or NULL.
const char *GuidName(const EFI_GUID *Guid);
