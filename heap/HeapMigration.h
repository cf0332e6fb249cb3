// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Migration of the "HEAP" hand-off HOBs into pool nodes, and the heap-list protocol.
#pragma once

#include "efi/Uefi.h"

#include <Protocol/HeapList.h>

// The driver's own instance; published only when no earlier driver published one.
extern HEAP_LIST_PROTOCOL gHeapListProtocol;
// The list head in use: the own instance's, or that of the instance found installed.
extern LIST_ENTRY *gHeapListHead;

// Start-up step 4: adopt an installed heap list or migrate the HOBs and publish one.
VOID MigrateHeapHobs();

// Allocates a node for the buffer that Header describes, copies the header into it and
// appends it to gHeapListHead. EFI_UNSUPPORTED (Node untouched) when no pool is left.
EFI_STATUS AllocateHeapNode(const HEAP_HOB_HEADER *Header, HEAP_NODE **Node);
