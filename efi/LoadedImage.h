// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// EFI_LOADED_IMAGE_PROTOCOL as UEFI 2.10 (section 9.1) lays it out. The firmware
// installs it on every image handle that LoadImage creates.
#pragma once

#include "efi/UefiBaseType.h"
#include "efi/UefiServices.h"

#define EFI_LOADED_IMAGE_PROTOCOL_REVISION 0x1000

// {5B1B31A1-9562-11D2-8E3F-00A0C969723B}: EFI_LOADED_IMAGE_PROTOCOL
inline constexpr EFI_GUID gEfiLoadedImageProtocolGuid = {0x5B1B31A1, 0x9562, 0x11D2, {0x8E, 0x3F, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B}};
// {BC62157E-3E33-4FEC-9920-2D3B36D750DF}: EFI_LOADED_IMAGE_DEVICE_PATH_PROTOCOL
inline constexpr EFI_GUID gEfiLoadedImageDevicePathProtocolGuid = {0xBC62157E, 0x3E33, 0x4FEC, {0x99, 0x20, 0x2D, 0x3B, 0x36, 0xD7, 0x50, 0xDF}};

struct EFI_LOADED_IMAGE_PROTOCOL {
  UINT32 Revision;
  EFI_HANDLE ParentHandle;
  EFI_SYSTEM_TABLE *SystemTable;
  EFI_HANDLE DeviceHandle;
  EFI_DEVICE_PATH_PROTOCOL *FilePath;
  VOID *Reserved;
  UINT32 LoadOptionsSize;
  VOID *LoadOptions;
  VOID *ImageBase;
  UINT64 ImageSize;
  EFI_MEMORY_TYPE ImageCodeType;
  EFI_MEMORY_TYPE ImageDataType;
  EFI_IMAGE_UNLOAD Unload;
};
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, ParentHandle) == 8, "ParentHandle");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, SystemTable) == 16, "SystemTable");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, DeviceHandle) == 24, "DeviceHandle");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, FilePath) == 32, "FilePath");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptionsSize) == 48, "LoadOptionsSize");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptions) == 56, "LoadOptions");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageBase) == 64, "ImageBase");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageSize) == 72, "ImageSize");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageCodeType) == 80, "ImageCodeType");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageDataType) == 84, "ImageDataType");
static_assert(offsetof(EFI_LOADED_IMAGE_PROTOCOL, Unload) == 88, "Unload");
static_assert(sizeof(EFI_LOADED_IMAGE_PROTOCOL) == 96, "EFI_LOADED_IMAGE_PROTOCOL");
