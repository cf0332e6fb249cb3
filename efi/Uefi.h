// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The UEFI and PI definitions the drivers use, ours or (built by EDK2) MdePkg's.
#pragma once

#include "efi/UefiBaseType.h"
#include "efi/UefiServices.h"
#include "efi/PiHob.h"
#include "efi/PcdProtocol.h"
#include "efi/Guids.h"
