/** @file
  The reference platform's REGISTER_ACCESS_PROTOCOL: it serves the registers that the
  SocDxe drivers' platform-information services read, with the values of
  SOC_REF_REGISTER_VALUES, and logs every read, so that the platform's debug log shows
  those services answering through the platform's own producer. Any other register, or
  another space, reads 0 and answers EFI_NOT_FOUND.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/
#include <Uefi.h>
#include <Library/DebugLib.h>
#include <Library/UefiBootServicesTableLib.h>
#include <Protocol/RegisterAccess.h>

#include "SocRefPlatform.h"

STATIC CONST SOC_REF_REGISTER  mRegisters[] = SOC_REF_REGISTER_VALUES;

STATIC
EFI_STATUS
EFIAPI
ReadRegister (
  IN  REGISTER_ACCESS_PROTOCOL  *This,
  IN  UINTN                     Space,
  IN  UINT32                    Address,
  OUT UINT32                    *Value
  )
{
  UINTN  Index;

  if (Value == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  for (Index = 0; Index < ARRAY_SIZE (mRegisters); Index++) {
    if ((Space == 0) && (mRegisters[Index].Address == Address)) {
      *Value = mRegisters[Index].Value;
      DEBUG ((DEBUG_INFO, "SocRefRegisterAccess: register 0x%08x reads 0x%08x\n", Address, *Value));
      return EFI_SUCCESS;
    }
  }

  *Value = 0;
  DEBUG ((DEBUG_WARN, "SocRefRegisterAccess: no register 0x%08x in space %u\n", Address, (UINT32)Space));
  return EFI_NOT_FOUND;
}

STATIC REGISTER_ACCESS_PROTOCOL  mRegisterAccess = {
  { NULL, NULL, NULL, NULL },
  ReadRegister
};

EFI_STATUS
EFIAPI
SocRefRegisterAccessEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  return gBS->InstallProtocolInterface (&ImageHandle, &gRegisterAccessProtocolGuid, EFI_NATIVE_INTERFACE, &mRegisterAccess);
}
