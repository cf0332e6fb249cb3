// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any copy inside one buffer of BYTES bytes: any source, destination and length, the
// ranges overlapping either way or not at all.
#include <string.h>

#include "Model.h"

extern "C" void Harness() {
  UINT8 Buffer[BYTES], Before[BYTES];  // any bytes
  memcpy(Before, Buffer, BYTES);
  const UINTN From = AnySize(), To = AnySize(), Length = AnySize();
  __CPROVER_assume(From <= BYTES && To <= BYTES && Length <= BYTES - From && Length <= BYTES - To);
  __CPROVER_assert(CopyBuffer(Buffer + To, Buffer + From, Length) == Buffer + To, "returns the destination");
  for (UINTN I = 0; I < BYTES; I++) {
    const bool Written = I >= To && I - To < Length;
    __CPROVER_assert(Buffer[I] == (Written ? Before[From + I - To] : Before[I]), "a memmove");
  }
}
