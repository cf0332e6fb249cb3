// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Loading and starting a round's images through OVMF's DXE dispatcher.
#pragma once

#include "tests/uefi/Harness.h"

// Hands SocDxe.fv (once per boot) to ProcessFirmwareVolume and calls Dispatch(); fills
// each image's handle, base and entry outcome from what the dispatcher did. With
// Round.Held, a first Dispatch() runs with both PCD protocols hidden, then Pcd is put in
// place for the second.
void DispatchImages(ROUND &Round, PCD_MODE Pcd);

// The round's images as a platform's own dispatcher started them from its flash, before
// the application ran: found among the loaded images by FFS file name, and adopted
// without their published protocols in the handle's baseline.
void ObserveImages(ROUND &Round);

// The FFS file name in an image's file path, if it came out of a firmware volume.
bool FirmwareFileOf(const EFI_DEVICE_PATH_PROTOCOL *Node, EFI_GUID *Name);
