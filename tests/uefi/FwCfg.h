// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// QEMU's firmware configuration device over its I/O ports. The runner hands the driver
// images and the scenario to the application as named fw_cfg files, so the application
// needs no file-system code and the boot disk holds only the application itself.
#pragma once

#include "efi/UefiBaseType.h"

// True when the device answers with its "QEMU" signature.
bool FwCfgPresent();

// Looks Name up in the file directory; false when there is no such file.
bool FwCfgFindFile(const char *Name, UINT16 *Selector, UINT32 *Size);

// Selects an item and reads its first Size bytes.
void FwCfgRead(UINT16 Selector, VOID *Buffer, UINTN Size);
