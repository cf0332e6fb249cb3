// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#pragma once

#include "efi/UefiBaseType.h"

// The 16 MiB buffer that stands for the log region at MEMORY_LOG_BASE.
UINT8 *BenchLogRegion();
