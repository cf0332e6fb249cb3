// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// One round of a boot: start the round's images, check what they did and what their
// services answer, fire the I/O APIC fix-up, and clear the round's traces.
#pragma once

#include "tests/uefi/Harness.h"
#include "efi/LoadedImage.h"

// Records a loaded, not yet started image: its handle, where it lies (so its calls are told
// apart) and what the firmware put on its handle. Parent: who must have loaded it (NULL:
// anyone but this application).
void AdoptLoadedImage(DRIVER_IMAGE *Image, EFI_HANDLE Handle, const EFI_LOADED_IMAGE_PROTOCOL *Loaded, EFI_HANDLE Parent);

void RunRound(const SCENARIO &Scenario, ROUND &Round, UINTN Number);
