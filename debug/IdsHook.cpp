// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "debug/IdsHook.h"

#include "debug/DebugMessages.h"
#include "debug/ErrorTrap.h"

// No hook is registered: only the end entry.
static constexpr IDS_HOOK_ENTRY kIdsHookEntries[] = {
    {IDS_HOOK_END, {.FunctionValue = 0xFFFFFFFFU}},
};

SOC_CONSTINIT const IDS_HOOK_TABLE gIdsHookTable = {
    IDS_HOOK_TABLE_SIGNATURE,
    IDS_HOOK_TABLE_VERSION,
    {},
    kIdsHookEntries,
};

UINT32 IdsHookDispatch(const IDS_HOOK_TABLE *Table) {
  // The header is read as the image holds it, never as the constants it was built from:
  // tools patch the table in the image after the link, and a folded check would keep
  // neither the table nor the walk.
  const volatile IDS_HOOK_TABLE *Header = Table;
  const IDS_HOOK_ENTRY *Entries = Header->Entries;
  // A table without entries is as unusable as one with a wrong header.
  if (Header->Signature != IDS_HOOK_TABLE_SIGNATURE || Header->Version != IDS_HOOK_TABLE_VERSION ||
      Entries == NULL) {
    RaiseTrapIfArmed(TRAP_IDS_HOOK_TABLE);
    return 1;
  }
  UINT32 Result = 4;
  BOOLEAN Found = FALSE;
  for (const IDS_HOOK_ENTRY *Entry = Entries; Entry->HookId != IDS_HOOK_END; Entry++) {
    if (Entry->HookId != IDS_HOOK_ID_DXE) {
      continue;
    }
    DebugPrint(DEBUG_IDS_TRACE, "IdsHookFunc HookId %x\n", Entry->HookId);
    const UINT32 Status = Entry->Function(IDS_HOOK_ID_DXE, NULL, NULL);
    Found = TRUE;
    // A later nonzero status overrides an earlier one; zero leaves the result alone.
    if (Status != 0) {
      Result = Status;
    }
  }
  return Found ? Result : 1;
}

UINT32 IdsHookFunc() { return IdsHookDispatch(&gIdsHookTable); }
