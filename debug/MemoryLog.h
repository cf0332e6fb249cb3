// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// "DMEM": the 16 MiB debug log in physical memory, kept across the driver's life and
// read by tools outside the system.
#pragma once

#include "efi/Uefi.h"

// A platform assumption: the region is fixed, and nothing here reserves it. Should a
// backend ever report itself present, the log would be formatted over whatever the
// memory map has put there, so a platform that enables one must reserve the region.
#define MEMORY_LOG_BASE 0x08A00000ULL
#define MEMORY_LOG_SIZE 0x1000000U
#define MEMORY_LOG_SIGNATURE 0x4D454D44U  // "DMEM"
#define MEMORY_LOG_GUARD_A 0x55AA55AAU
#define MEMORY_LOG_GUARD_B 0xBB66BB66U

// Header offsets; LogData follows the 16-byte header.
#define MEMORY_LOG_SIGNATURE_OFFSET 0x00U
#define MEMORY_LOG_GUARD_A_OFFSET 0x04U
#define MEMORY_LOG_USED_SIZE_OFFSET 0x08U
#define MEMORY_LOG_GUARD_B_OFFSET 0x0CU
#define MEMORY_LOG_DATA_OFFSET 0x10U
#define MEMORY_LOG_CAPACITY (MEMORY_LOG_SIZE - MEMORY_LOG_DATA_OFFSET)  // 0xFFFFF0
// Oldest bytes dropped when a record does not fit.
#define MEMORY_LOG_DISCARD 0x400000U

#define MSR_APIC_BASE 0x1BU
#define MSR_APIC_BASE_BSP (1ULL << 8)

BOOLEAN MemoryLogIsValid();
// Formats the log unless a valid one is already there.
VOID MemoryLogInit();
// Appends one record, discarding the oldest 4 MiB first when it does not fit.
VOID MemoryLogWrite(const CHAR8 *Text, UINTN Count);
