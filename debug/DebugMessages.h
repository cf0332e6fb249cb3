// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Forwarding of debug messages to an outside DEBUG_PRINT_PROTOCOL.
#pragma once

#include "efi/Uefi.h"

#include <Protocol/DebugPrint.h>

#define DEBUG_ERROR 0x80000000ULL
#define DEBUG_IDS_TRACE 0x0020000000000000ULL

extern DEBUG_PRINT_PROTOCOL *gDebugPrintProtocol;

// EFIAPI so that its variable arguments are the ms_abi list that Print expects.
EFI_STATUS EFIAPI DebugPrint(UINT64 ErrorLevel, const CHAR8 *Format, ...);
