// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "debug/DebugOutput.h"

#include "arch/Arch.h"
#include "debug/MemoryLog.h"

BOOLEAN BackendNotPresent() { return FALSE; }
VOID BackendNoInit() {}

const DEBUG_OUTPUT_BACKEND PostPortBackend = {BackendNotPresent, BackendNoInit, BackendNotPresent, PostPortWrite};
const DEBUG_OUTPUT_BACKEND SerialBackend = {BackendNotPresent, BackendNoInit, BackendNotPresent, SerialWrite};
const DEBUG_OUTPUT_BACKEND MemoryLogBackend = {BackendNotPresent, MemoryLogInit, BackendNotPresent, MemoryLogWrite};

const DEBUG_OUTPUT_BACKEND *const gDebugOutputBackends[] = {&PostPortBackend, &SerialBackend, &MemoryLogBackend,
                                                            NULL};

BOOLEAN AnyBackendPresentIn(const DEBUG_OUTPUT_BACKEND *const *Table) {
  BOOLEAN Any = FALSE;
  // Bounded like the start-up walk, so both walks see the same records.
  for (UINTN Index = 0; Index < DEBUG_OUTPUT_BACKEND_MAX && Table[Index] != NULL; Index++) {
    if (Table[Index]->IsPresent()) {
      Any = TRUE;
    }
  }
  return Any;
}

VOID StartDebugOutputBackendsIn(const DEBUG_OUTPUT_BACKEND *const *Table) {
  if (!AnyBackendPresentIn(Table)) {
    return;
  }
  // An 8-bit index would wrap to 0 and walk forever on a table without a NULL in reach.
  for (UINT8 Index = 0; Index < DEBUG_OUTPUT_BACKEND_MAX && Table[Index] != NULL; Index++) {
    const DEBUG_OUTPUT_BACKEND *Backend = Table[Index];
    if (Backend->IsPresent()) {
      Backend->Init();
    }
  }
}

BOOLEAN AnyBackendPresent() { return AnyBackendPresentIn(gDebugOutputBackends); }
VOID StartDebugOutputBackends() { StartDebugOutputBackendsIn(gDebugOutputBackends); }

VOID PostPortWrite(const CHAR8 *Text, UINTN Count) {
  if (Text == NULL) {
    Count = 0;
  }
  ArchIoWrite32(POST_PORT, POST_PORT_START_WORD);
  for (UINTN Index = 0; Index < Count; Index++) {
    ArchIoWrite8(POST_PORT, static_cast<UINT8>(Text[Index]));
  }
  ArchIoWrite32(POST_PORT, POST_PORT_END_WORD);
}

VOID SerialWrite(const CHAR8 *Text, UINTN Count) {
  if (Text == NULL) {
    return;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    UINT32 Budget = SERIAL_POLL_BUDGET;
    BOOLEAN Ready;
    // The budget drops before the result is tested, so readiness seen on the last poll
    // still counts as a timeout.
    do {
      Ready = (ArchIoRead8(SERIAL_LINE_STATUS_PORT) & SERIAL_LINE_STATUS_TX_EMPTY) == SERIAL_LINE_STATUS_TX_EMPTY;
      Budget--;
    } while (!Ready && Budget != 0);
    if (Ready && Budget != 0) {
      ArchIoWrite8(SERIAL_DATA_PORT, static_cast<UINT8>(Text[Index]));
    }
  }
}
