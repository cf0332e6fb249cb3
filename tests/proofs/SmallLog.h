// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The memory log with a capacity the proof can unwind: LOG_BYTES for the 16 MiB region, a
// quarter of it discarded at a time as the quarter 4 MiB is of 16 MiB. The header layout,
// the signature, the guards and every rule stay the driver's.
#pragma once

#include "debug/MemoryLog.h"

#undef MEMORY_LOG_SIZE
#undef MEMORY_LOG_DISCARD
#define MEMORY_LOG_SIZE ((UINT32)LOG_BYTES)
#define MEMORY_LOG_DISCARD ((UINT32)LOG_BYTES / 4)
