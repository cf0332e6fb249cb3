#include "processor/Processor.h"

// Placeholder until processor identification lands: nothing is published.
EFI_STATUS DriverMain(EFI_HANDLE ImageHandle) {
  (void)ImageHandle;
  return EFI_SUCCESS;
}
