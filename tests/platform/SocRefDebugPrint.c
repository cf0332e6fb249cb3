/** @file
  The reference platform's DEBUG_PRINT_PROTOCOL: the SocDxe drivers' messages go to the
  platform's own DebugLib, and so to its debug log, filtered by its debug print level.
  Dispatched before the drivers (TRUE depex, ahead of them in the volume).

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/
#include <Uefi.h>
#include <Library/DebugLib.h>
#include <Library/UefiBootServicesTableLib.h>
#include <Protocol/DebugPrint.h>

STATIC
EFI_STATUS
EFIAPI
ForwardToDebugLib (
  IN UINT64       ErrorLevel,
  IN CONST CHAR8  *Format,
  IN VA_LIST      Marker
  )
{
  DebugVPrint ((UINTN)ErrorLevel, Format, Marker);
  return EFI_SUCCESS;
}

STATIC DEBUG_PRINT_PROTOCOL  mDebugPrint = { ForwardToDebugLib };

EFI_STATUS
EFIAPI
SocRefDebugPrintEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  return gBS->InstallProtocolInterface (&ImageHandle, &gDebugPrintProtocolGuid, EFI_NATIVE_INTERFACE, &mDebugPrint);
}
