// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The firmware the proofs run against: boot services that keep the UEFI 2.10 contract and
// nothing more, and nondeterministic values.
#pragma once

#include "framework/Framework.h"

// Any value: CBMC takes a local that was never written as unknown.
UINT8 AnyByte();
UINT32 AnyWord();
UINTN AnySize();
bool AnyBool();


// Little-endian fields at any alignment, as the harnesses read records by their offsets.
inline UINT16 Read16(const UINT8 *P) {
  UINT16 V;
  memcpy(&V, P, 2);
  return V;
}
inline UINT32 Read32(const UINT8 *P) {
  UINT32 V;
  memcpy(&V, P, 4);
  return V;
}
inline UINT64 Read64(const UINT8 *P) {
  UINT64 V;
  memcpy(&V, P, 8);
  return V;
}

struct ModelFirmware {
  EFI_SYSTEM_TABLE System;
  EFI_BOOT_SERVICES Boot;
  // What the driver installed, in order.
  UINTN Installs;
  EFI_GUID Installed[4];
  VOID *Interfaces[4];
  // Pool allocations, in order: the type asked for and whether it was granted.
  UINTN Allocations;
  EFI_MEMORY_TYPE PoolType[4];
  bool Granted[4];
  // The HOBs that FindNextGuidHob's contract handed over, in order.
  UINTN Walked;
  const UINT8 *Handed[4];
  // LocateProtocol's answer for any GUID: Found with Interface, else EFI_NOT_FOUND.
  bool Found;
  VOID *Interface;
};
extern ModelFirmware gModel;

// Binds gSystemTable and gBootServices to the model with Count configuration entries.
void BindModel(EFI_CONFIGURATION_TABLE *Entries, UINTN Count);
