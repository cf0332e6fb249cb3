// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The public headers, as another module includes them: every record and GUID the drivers
// exchange with the platform.
#pragma once

#include "efi/Uefi.h"

#include <Guid/HeapHob.h>
#include <Guid/SocDxeM60Presence.h>
#include <Guid/SocDxeM70Presence.h>
#include <Protocol/DebugPrint.h>
#include <Protocol/HeapList.h>
#include <Protocol/InterruptTable.h>
#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>
#include <Protocol/RegisterAccess.h>
