// Processor identification: the driver's own work after the start-up chain.
#pragma once

#include "uefi/Uefi.h"

// Checks the processor and publishes the protocols and presence GUIDs when it is served.
EFI_STATUS DriverMain(EFI_HANDLE ImageHandle);
