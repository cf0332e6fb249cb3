// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Name of this deliverable's FFS file in a firmware volume (and FILE_GUID of its INF).
#pragma once

#include "efi/UefiBaseType.h"

// {31B09955-39F3-4E8E-9604-E6B057C661C9}
inline constexpr EFI_GUID gSocDxeM70FileGuid = {0x31B09955, 0x39F3, 0x4E8E, {0x96, 0x04, 0xE6, 0xB0, 0x57, 0xC6, 0x61, 0xC9}};
