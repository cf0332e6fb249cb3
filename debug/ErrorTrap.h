// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The error trap: announces a fatal condition on the POST-code ports and, on real
// hardware, shows it on the POST-code display forever.
#pragma once

#include "efi/Uefi.h"

// Trap codes.
#define TRAP_HEAP_LIST_INSTALL 0x00080225U
#define TRAP_HEAP_NODE_RUNTIME_POOL 0x00080134U
#define TRAP_HEAP_NODE_BOOT_POOL 0x00080137U
#define TRAP_IDS_HOOK_TABLE 0x20910056U
#define TRAP_MEMORY_LOG_RECORD_TOO_LONG 0x20850309U
#define TRAP_WRITE_MEMORY_WIDTH 0x00010320U

// Returns (FALSE) only on a simulator.
BOOLEAN ErrorTrap(UINT32 TrapCode);
UINT16 IsSimulatedPlatform();
UINT64 GetCoreFrequencyHz();

extern UINT64 gCoreFrequencyHz;

// The rule every trap site follows: trap only when TrapEnable is set. When this returns
// (trap disarmed, or a simulator), the site takes its own failure path.
VOID RaiseTrapIfArmed(UINT32 TrapCode);
