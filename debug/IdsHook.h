// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The IDS hook dispatcher over the module's static "$IDS" hook table.
#pragma once

#include "efi/Uefi.h"

#define IDS_HOOK_TABLE_SIGNATURE 0x53444924U  // "$IDS" in memory order
#define IDS_HOOK_TABLE_VERSION 1U
#define IDS_HOOK_END 0xFFFFFFFFU
#define IDS_HOOK_ID_DXE 0xE0000000U

typedef UINT32(EFIAPI *IDS_HOOK_FUNCTION)(UINT32 HookId, VOID *Arg1, VOID *Arg2);

struct IDS_HOOK_ENTRY {
  UINT32 HookId;
  // The end entry stores a plain value here, never called; hence the raw view.
  union {
    IDS_HOOK_FUNCTION Function;
    UINTN FunctionValue;
  };
};
static_assert(sizeof(IDS_HOOK_ENTRY) == 16, "IDS_HOOK_ENTRY size");
static_assert(offsetof(IDS_HOOK_ENTRY, Function) == 8, "IDS_HOOK_ENTRY.Function");

struct IDS_HOOK_TABLE {
  UINT32 Signature;
  UINT32 Version;
  UINT8 Reserved[24];
  const IDS_HOOK_ENTRY *Entries;
};
static_assert(sizeof(IDS_HOOK_TABLE) == 40, "IDS_HOOK_TABLE size");
static_assert(offsetof(IDS_HOOK_TABLE, Version) == 4, "IDS_HOOK_TABLE.Version");
static_assert(offsetof(IDS_HOOK_TABLE, Reserved) == 8, "IDS_HOOK_TABLE.Reserved");
static_assert(offsetof(IDS_HOOK_TABLE, Entries) == 32, "IDS_HOOK_TABLE.Entries");

extern const IDS_HOOK_TABLE gIdsHookTable;

// Dispatches hook identifier 0xE0000000 over gIdsHookTable; 1 when nothing matched or
// the table is bad.
UINT32 IdsHookFunc();
// The same over a given table (IdsHookFunc passes gIdsHookTable).
UINT32 IdsHookDispatch(const IDS_HOOK_TABLE *Table);
