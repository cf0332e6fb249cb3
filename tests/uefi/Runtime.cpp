// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The compiler turns record copies and clears into memcpy and memset calls; the
// application links no C library, so it brings its own. Volatile stores keep the loops
// from being recognised as those very calls.
#include "efi/UefiBaseType.h"

extern "C" void *memcpy(void *Destination, const void *Source, UINTN Length) {
  volatile UINT8 *To = static_cast<volatile UINT8 *>(Destination);
  const UINT8 *From = static_cast<const UINT8 *>(Source);
  for (UINTN Index = 0; Index < Length; Index++) {
    To[Index] = From[Index];
  }
  return Destination;
}

extern "C" void *memset(void *Buffer, int Value, UINTN Length) {
  volatile UINT8 *To = static_cast<volatile UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Length; Index++) {
    To[Index] = static_cast<UINT8>(Value);
  }
  return Buffer;
}
