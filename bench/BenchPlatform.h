#pragma once

#include "efi/UefiBaseType.h"

// The 16 MiB buffer that stands for the log region at MEMORY_LOG_BASE.
UINT8 *BenchLogRegion();
