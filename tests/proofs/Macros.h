// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The public headers' address macros, bracketed so that goto-cc's C++ front end reads them
// as every compiler does: it takes "(UINT8 *)(Table) + N" as a cast of "(Table) + N",
// which steps in whole records.
#pragma once

#include "efi/Uefi.h"

#include <Protocol/HeapList.h>
#include <Protocol/InterruptTable.h>

#undef HEAP_NODE_DATA
#define HEAP_NODE_DATA(Node) (((UINT8 *)(Node)) + sizeof(HEAP_NODE))

#undef INTERRUPT_IOAPIC_ROW_AT
#undef INTERRUPT_ROUTING_ROW_AT
#define INTERRUPT_IOAPIC_ROW_AT(Table, Index)                                                  \
  ((INTERRUPT_IOAPIC_ROW *)(((UINT8 *)(Table)) + sizeof(INTERRUPT_IOAPIC_TABLE) +             \
                            (Index) * sizeof(INTERRUPT_IOAPIC_ROW)))
#define INTERRUPT_ROUTING_ROW_AT(Table, Index)                                                   \
  ((INTERRUPT_ROUTING_ROW *)(((UINT8 *)(Table)) + sizeof(INTERRUPT_ROUTING_TABLE) +             \
                             (Index) * sizeof(INTERRUPT_ROUTING_ROW)))
