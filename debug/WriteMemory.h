// The sized memory store the memory log writes through. Inline, so that loops of
// constant-width stores compile to plain (vectorisable) stores.
#pragma once

#include "debug/ErrorTrap.h"
#include "uefi/Uefi.h"

#define WRITE_MEMORY_UINT8 1U
#define WRITE_MEMORY_UINT16 2U
#define WRITE_MEMORY_UINT32 3U
// The same widths with bit 7 set are accepted as well.
#define WRITE_MEMORY_ALT_BIT 0x80U

inline VOID WriteMemory(UINT32 Width, VOID *Destination, const VOID *Source) {
  switch (Width) {
    case WRITE_MEMORY_UINT8:
    case WRITE_MEMORY_UINT8 | WRITE_MEMORY_ALT_BIT:
      *static_cast<UINT8 *>(Destination) = *static_cast<const UINT8 *>(Source);
      return;
    case WRITE_MEMORY_UINT16:
    case WRITE_MEMORY_UINT16 | WRITE_MEMORY_ALT_BIT:
      __builtin_memcpy(Destination, Source, 2);
      return;
    case WRITE_MEMORY_UINT32:
    case WRITE_MEMORY_UINT32 | WRITE_MEMORY_ALT_BIT:
      __builtin_memcpy(Destination, Source, 4);
      return;
    default:
      RaiseTrapIfArmed(TRAP_WRITE_MEMORY_WIDTH);
      return;
  }
}
