// Writes the PCD-configured I/O APIC identifiers into another driver's interrupt tables.
#pragma once

#include "uefi/Uefi.h"

// Notification function armed by start-up step 7; runs at TPL_CALLBACK.
VOID EFIAPI IoApicIdFixup(EFI_EVENT Event, VOID *Context);
