// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The seam for the benchmark: the log region is one page-aligned host buffer and the
// processor is always the boot processor. Kept minimal so that only the driver's own
// work is timed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchPlatform.h"
#include "arch/Arch.h"
#include "debug/ErrorTrap.h"
#include "debug/MemoryLog.h"

UINT8 *BenchLogRegion() {
  static UINT8 *Region = [] {
    auto *P = static_cast<UINT8 *>(std::aligned_alloc(4096, MEMORY_LOG_SIZE));
    std::memset(P, 0, MEMORY_LOG_SIZE);  // fault every page in before timing
    return P;
  }();
  return Region;
}

UINT64 ArchReadMsr(UINT32 Index) { return Index == MSR_APIC_BASE ? (0xFEE00000ULL | MSR_APIC_BASE_BSP) : 0; }

UINT32 ArchPhysicalRead32(UINT64 Address) {
  UINT32 Value;
  std::memcpy(&Value, BenchLogRegion() + (Address - MEMORY_LOG_BASE), 4);
  return Value;
}

void ArchPhysicalWrite32(UINT64 Address, UINT32 Value) {
  std::memcpy(BenchLogRegion() + (Address - MEMORY_LOG_BASE), &Value, 4);
}

UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length) {
  if (Address != MEMORY_LOG_BASE || Length > MEMORY_LOG_SIZE) return nullptr;
  return BenchLogRegion();
}

VOID RaiseTrapIfArmed(UINT32 TrapCode) {
  std::fprintf(stderr, "unexpected trap 0x%08X in the benchmark\n", TrapCode);
  std::abort();
}
