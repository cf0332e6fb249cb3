// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Writes the PCD-configured I/O APIC identifiers into another driver's interrupt tables.
#pragma once

#include "efi/Uefi.h"

// PCD tokens (Get8) that hold the identifiers, and the I/O APICs they belong to.
#define PCD_TOKEN_IOAPIC0_ID 150
#define PCD_TOKEN_IOAPIC1_ID 152
#define IOAPIC0_BASE_ADDRESS 0xFEC00000U
#define IOAPIC1_BASE_ADDRESS 0xFEC01000U

// Notification function armed by start-up step 7; runs at TPL_CALLBACK.
VOID EFIAPI IoApicIdFixup(EFI_EVENT Event, VOID *Context);

// Gives the I/O APIC at IoApicAddress the identifier NewId in the first installed
// INTERRUPT_TABLE_PROTOCOL's tables, and re-targets the routing items that named it.
VOID SetIoApicId(UINT8 NewId, UINT32 IoApicAddress);
