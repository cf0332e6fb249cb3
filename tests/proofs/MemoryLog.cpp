// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any header and contents left in the log's memory, memory present or not, on any
// processor; then either the log is set up or any record of any count is written.
#include <string.h>

#include "Model.h"
#include "arch/Arch.h"
#include "debug/MemoryLog.h"

#define BASE 0x08A00000ULL
#define CAPACITY (LOG_BYTES - 16)

static UINT8 *gRegion;  // the log's memory, when any answers there
static UINT64 gApicBase;

// The machine: one APIC-base MSR value per boot, and the log's region as plain memory.
UINT64 ArchReadMsr(UINT32 Index) { return gApicBase; }
static UINT8 *At(UINT64 Address, UINT64 Length) {
  __CPROVER_assert(Address >= BASE && Length <= LOG_BYTES && Address - BASE <= LOG_BYTES - Length,
                   "physical accesses stay in the log's region");
  return gRegion == NULL ? NULL : gRegion + (Address - BASE);
}
UINT32 ArchPhysicalRead32(UINT64 Address) {
  UINT8 *P = At(Address, 4);
  UINT32 V = 0xFFFFFFFFU;  // reads float high where no memory answers
  if (P != NULL) memcpy(&V, P, 4);
  return V;
}
void ArchPhysicalWrite32(UINT64 Address, UINT32 Value) {
  UINT8 *P = At(Address, 4);
  if (P != NULL) memcpy(P, &Value, 4);
}
UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length) { return At(Address, Length); }

extern "C" void Harness() {
  UINT8 Region[LOG_BYTES];  // never written: any header, any data
  gRegion = AnyBool() ? &Region[0] : NULL;
  gApicBase = AnyWord();
  const bool Boot = (gApicBase & 0x100) != 0;
  const bool Valid = Boot && gRegion != NULL && Read32(gRegion) == 0x4D454D44 && Read32(gRegion + 4) == 0x55AA55AA &&
                     Read32(gRegion + 12) == 0xBB66BB66 && Read32(gRegion + 8) <= LOG_BYTES;
  __CPROVER_assert(MemoryLogIsValid() == Valid, "valid: boot processor, signature, guards, size");
  UINT32 Used = Valid ? Read32(gRegion + 8) : 0;

  if (AnyBool()) {
    MemoryLogInit();
    if (Boot && gRegion != NULL) {
      __CPROVER_assert(MemoryLogIsValid(), "a valid log afterwards");
      if (!Valid) {
        __CPROVER_assert(Read32(gRegion + 8) == 0, "formatted empty");
        for (UINTN I = 0; I < CAPACITY; I++) __CPROVER_assert(Region[16 + I] == 0, "formatted zeroed");
      }
    }
    return;
  }

  CHAR8 Text[CAPACITY + 1];  // any bytes; the caller's Count of them, or fewer
  const UINTN Count = AnySize();
  const CHAR8 *Record = AnyBool() ? NULL : &Text[0];
  MemoryLogWrite(Record, Count);
  if (!Valid) return;
  const UINTN Length = Record == NULL ? 0 : Count;
  if (Used > CAPACITY) Used = CAPACITY;
  const UINT32 After = Read32(gRegion + 8);
  __CPROVER_assert(After <= CAPACITY, "the header describes what LogData holds");
  if (Length <= CAPACITY - Used) {
    __CPROVER_assert(After == Used + Length, "the record appended");
    for (UINTN I = 0; I < CAPACITY; I++) {
      if (I < Length) __CPROVER_assert(Region[16 + Used + I] == (UINT8)Text[I], "its bytes");
    }
  }
}
