// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "debug/MemoryLog.h"

#include "arch/Arch.h"
#include "debug/ErrorTrap.h"
#include "debug/WriteMemory.h"

static BOOLEAN IsBootProcessor() { return (ArchReadMsr(MSR_APIC_BASE) & MSR_APIC_BASE_BSP) != 0; }

static UINT32 ReadHeader(UINT32 Offset) { return ArchPhysicalRead32(MEMORY_LOG_BASE + Offset); }

// The whole region. Only the machine model can answer NULL (no memory modelled there);
// in the image it is the identity-mapped address.
static UINT8 *LogRegion() { return ArchPhysicalWindow(MEMORY_LOG_BASE, MEMORY_LOG_SIZE); }

BOOLEAN MemoryLogIsValid() {
  if (!IsBootProcessor()) {
    return FALSE;
  }
  const UINT32 Signature = ReadHeader(MEMORY_LOG_SIGNATURE_OFFSET);
  const UINT32 GuardA = ReadHeader(MEMORY_LOG_GUARD_A_OFFSET);
  const UINT32 GuardB = ReadHeader(MEMORY_LOG_GUARD_B_OFFSET);
  const UINT32 UsedSize = ReadHeader(MEMORY_LOG_USED_SIZE_OFFSET);
  // The bound is the whole region, not the capacity: logs left with up to 0x1000000 are
  // accepted as they are, and the writer clamps what it trusts.
  return Signature == MEMORY_LOG_SIGNATURE && GuardA == MEMORY_LOG_GUARD_A && GuardB == MEMORY_LOG_GUARD_B &&
         UsedSize <= MEMORY_LOG_SIZE;
}

VOID MemoryLogInit() {
  if (!IsBootProcessor() || MemoryLogIsValid()) {
    return;
  }
  // A signature that does not read back means no memory answers here.
  ArchPhysicalWrite32(MEMORY_LOG_BASE + MEMORY_LOG_SIGNATURE_OFFSET, MEMORY_LOG_SIGNATURE);
  if (ReadHeader(MEMORY_LOG_SIGNATURE_OFFSET) != MEMORY_LOG_SIGNATURE) {
    return;
  }
  UINT8 *Log = LogRegion();
  if (Log == NULL) {
    return;
  }
  ArchPhysicalWrite32(MEMORY_LOG_BASE + MEMORY_LOG_GUARD_A_OFFSET, MEMORY_LOG_GUARD_A);
  ArchPhysicalWrite32(MEMORY_LOG_BASE + MEMORY_LOG_GUARD_B_OFFSET, MEMORY_LOG_GUARD_B);
  const UINT32 Empty = 0;
  WriteMemory(WRITE_MEMORY_UINT32, Log + MEMORY_LOG_USED_SIZE_OFFSET, &Empty);
  UINT8 *Data = Log + MEMORY_LOG_DATA_OFFSET;
  const UINT8 Zero = 0;
  for (UINTN Offset = 0; Offset < MEMORY_LOG_CAPACITY; Offset++) {
    WriteMemory(WRITE_MEMORY_UINT8, Data + Offset, &Zero);
  }
}

// Drops the oldest MEMORY_LOG_DISCARD bytes of Used (at least that many) and zeroes
// the freed tail; returns the bytes kept.
static UINT32 DiscardOldest(UINT8 *Data, UINT32 Used) {
  const UINTN Kept = Used - MEMORY_LOG_DISCARD;
  // Ascending single-byte moves: the source always lies 4 MiB above the destination.
  const UINT8 *Source = Data + MEMORY_LOG_DISCARD;
  for (UINTN Offset = 0; Offset < Kept; Offset++) {
    ArchStore8(Data + Offset, ArchLoad8(Source + Offset));
  }
  const UINT8 Zero = 0;
  for (UINTN Offset = Kept; Offset < MEMORY_LOG_CAPACITY; Offset++) {
    WriteMemory(WRITE_MEMORY_UINT8, Data + Offset, &Zero);
  }
  return static_cast<UINT32>(Kept);
}

VOID MemoryLogWrite(const CHAR8 *Text, UINTN Count) {
  if (!MemoryLogIsValid()) {
    return;
  }
  UINT8 *Log = LogRegion();
  if (Log == NULL) {
    return;
  }
  if (Text == NULL) {
    Count = 0;
  }
  if (Count > MEMORY_LOG_CAPACITY) {
    RaiseTrapIfArmed(TRAP_MEMORY_LOG_RECORD_TOO_LONG);
  }
  UINT8 *Data = Log + MEMORY_LOG_DATA_OFFSET;
  UINT32 Used = ReadHeader(MEMORY_LOG_USED_SIZE_OFFSET);
  // A valid header may claim up to the whole region, but LogData holds at most the
  // capacity; trusting more would move bytes from past the end of the region.
  if (Used > MEMORY_LOG_CAPACITY) {
    Used = MEMORY_LOG_CAPACITY;
  }
  // Compared against the free space, so a huge count cannot wrap the sum.
  if (Count > MEMORY_LOG_CAPACITY - Used) {
    if (Used < MEMORY_LOG_DISCARD) {
      // Fewer than 4 MiB held: there is nothing to discard that would make room for a
      // record this long. Drop it and leave the log as it was.
      return;
    }
    Used = DiscardOldest(Data, Used);
    if (Count > MEMORY_LOG_CAPACITY - Used) {
      // Dropped after all; the header must still describe the shifted data.
      WriteMemory(WRITE_MEMORY_UINT32, Log + MEMORY_LOG_USED_SIZE_OFFSET, &Used);
      return;
    }
  }
  UINT8 *Tail = Data + Used;
  for (UINTN Index = 0; Index < Count; Index++) {
    WriteMemory(WRITE_MEMORY_UINT8, Tail + Index, Text + Index);
  }
  const UINT32 NewUsed = Used + static_cast<UINT32>(Count);
  WriteMemory(WRITE_MEMORY_UINT32, Log + MEMORY_LOG_USED_SIZE_OFFSET, &NewUsed);
}
