// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "debug/DebugMessages.h"

#include "framework/Framework.h"

DEBUG_PRINT_PROTOCOL *gDebugPrintProtocol = NULL;

EFI_STATUS EFIAPI DebugPrint(UINT64 ErrorLevel, const CHAR8 *Format, ...) {
  if (gDebugPrintProtocol == NULL) {
    EFI_STATUS Status =
        gBootServices->LocateProtocol(&gDebugPrintProtocolGuid, NULL, reinterpret_cast<VOID **>(&gDebugPrintProtocol));
    // Whatever a failed lookup left behind must not be cached, nor a NULL instance called.
    if (!EFI_ERROR(Status) && gDebugPrintProtocol == NULL) {
      Status = EFI_NOT_FOUND;
    }
    if (EFI_ERROR(Status)) {
      gDebugPrintProtocol = NULL;
      return Status;
    }
  }
  VA_LIST Marker;
  VA_START(Marker, Format);
  const EFI_STATUS Status = gDebugPrintProtocol->Print(ErrorLevel, Format, Marker);
  VA_END(Marker);
  return Status;
}
