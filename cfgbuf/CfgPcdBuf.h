// The packed configuration record filled from PCD tokens at start-up.
#pragma once

#include "uefi/Uefi.h"

// Fills the configuration record from the PCD protocol (start-up step 2).
VOID FillCfgPcdBuf();
