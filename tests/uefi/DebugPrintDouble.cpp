// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// A DEBUG_PRINT_PROTOCOL that keeps every message and who printed it.
#include "tests/uefi/Doubles.h"

#include "tests/common/Published.h"
#include "tests/uefi/Print.h"

namespace {

__attribute__((noinline)) EFI_STATUS EFIAPI OurPrint(UINT64 Level, const CHAR8 *Format, VA_LIST Marker) {
  DEBUG_MESSAGE Message = {};
  Message.Caller = ImageAt(ReturnAddress(__builtin_return_address(0)));
  Message.Level = Level;
  if (Format != NULL) {
    UINTN Index = 0;
    for (; Format[Index] != 0 && Index + 1 < sizeof(Message.Format); Index++) {
      Message.Format[Index] = Format[Index];
    }
    Message.Format[Index] = 0;
    VFormatString(Message.Text, sizeof(Message.Text), Format, Marker);
  }
  Append(gMessages, &gMessageCount, 32, Message);
  return EFI_SUCCESS;
}

constinit DEBUG_PRINT_PROTOCOL gOurDebugPrint = {OurPrint};

}  // namespace

DEBUG_MESSAGE gMessages[32];
UINTN gMessageCount;

EFI_STATUS InstallDebugPrint() {
  EFI_HANDLE Handle = NULL;
  return gBS->InstallProtocolInterface(&Handle, &gDebugPrintProtocolGuid, EFI_NATIVE_INTERFACE, &gOurDebugPrint);
}

VOID *DebugPrintInterface() { return &gOurDebugPrint; }
