// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Debug output backends: a NULL-terminated table of four-operation records.
#pragma once

#include "efi/Uefi.h"

struct DEBUG_OUTPUT_BACKEND {
  BOOLEAN (*IsPresent)();
  VOID (*Init)();
  BOOLEAN (*ReservedQuery)();
  VOID (*Write)(const CHAR8 *Text, UINTN Count);
};

extern const DEBUG_OUTPUT_BACKEND PostPortBackend;
extern const DEBUG_OUTPUT_BACKEND SerialBackend;
extern const DEBUG_OUTPUT_BACKEND MemoryLogBackend;
extern const DEBUG_OUTPUT_BACKEND *const gDebugOutputBackends[];

// The walks use an 8-bit index, so a table holds at most this many records before NULL.
#define DEBUG_OUTPUT_BACKEND_MAX 255U

// Asks every backend's IsPresent (the walk does not stop early).
BOOLEAN AnyBackendPresent();
// Start-up step: when any backend is present, Init every one that answers present.
VOID StartDebugOutputBackends();
// The same two walks over a given table.
BOOLEAN AnyBackendPresentIn(const DEBUG_OUTPUT_BACKEND *const *Table);
VOID StartDebugOutputBackendsIn(const DEBUG_OUTPUT_BACKEND *const *Table);

BOOLEAN BackendNotPresent();
VOID BackendNoInit();

// Port 0x80: "_STR", the bytes, "_END".
VOID PostPortWrite(const CHAR8 *Text, UINTN Count);
// COM1 at 0x3F8, each byte with a budget of 2000 line-status polls.
VOID SerialWrite(const CHAR8 *Text, UINTN Count);

#define POST_PORT 0x80
#define POST_PORT_START_WORD 0x5F535452U  // "_STR"
#define POST_PORT_END_WORD 0x5F454E44U    // "_END"
#define SERIAL_DATA_PORT 0x3F8
#define SERIAL_LINE_STATUS_PORT 0x3FD
#define SERIAL_LINE_STATUS_TX_EMPTY 0x60
#define SERIAL_POLL_BUDGET 2000U
