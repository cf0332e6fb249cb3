// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Name of this deliverable's FFS file in a firmware volume (and FILE_GUID of its INF).
#pragma once

#include "efi/UefiBaseType.h"

// {402772CB-A19D-4415-971F-843427F03D8E}
inline constexpr EFI_GUID gSocDxeM60FileGuid = {0x402772CB, 0xA19D, 0x4415, {0x97, 0x1F, 0x84, 0x34, 0x27, 0xF0, 0x3D, 0x8E}};
