// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The sized memory store the memory log writes through: exactly one store of the code's
// width, never merged with its neighbours. Inline, so a loop of them is a plain loop.
#pragma once

#include "arch/Arch.h"
#include "debug/ErrorTrap.h"
#include "efi/Uefi.h"

#define WRITE_MEMORY_UINT8 1U
#define WRITE_MEMORY_UINT16 2U
#define WRITE_MEMORY_UINT32 3U
// The same widths with bit 7 set are accepted as well.
#define WRITE_MEMORY_ALT_BIT 0x80U

inline VOID WriteMemory(UINT32 Width, VOID *Destination, const VOID *Source) {
  switch (Width) {
    case WRITE_MEMORY_UINT8:
    case WRITE_MEMORY_UINT8 | WRITE_MEMORY_ALT_BIT:
      ArchStore8(Destination, *static_cast<const UINT8 *>(Source));
      return;
    case WRITE_MEMORY_UINT16:
    case WRITE_MEMORY_UINT16 | WRITE_MEMORY_ALT_BIT: {
      UINT16 Value;
      SOC_MEMCPY(&Value, Source, 2);
      ArchStore16(Destination, Value);
      return;
    }
    case WRITE_MEMORY_UINT32:
    case WRITE_MEMORY_UINT32 | WRITE_MEMORY_ALT_BIT: {
      UINT32 Value;
      SOC_MEMCPY(&Value, Source, 4);
      ArchStore32(Destination, Value);
      return;
    }
    default:
      RaiseTrapIfArmed(TRAP_WRITE_MEMORY_WIDTH);
      return;
  }
}
