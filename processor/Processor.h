// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Processor identification: the driver's own work after the start-up chain, and the two
// protocols it publishes.
#pragma once

#include "efi/Uefi.h"

#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>

// Checks the processor and publishes the protocols and presence GUIDs when it is served.
EFI_STATUS DriverMain(EFI_HANDLE ImageHandle);

extern const PROCESSOR_CLASS_PROTOCOL gProcessorClassProtocol;
extern const PLATFORM_INFO_PROTOCOL gPlatformInfoProtocol;

EFI_STATUS EFIAPI GetClassOfThisCore(const PROCESSOR_CLASS_PROTOCOL *This, PROCESSOR_CLASS_ID *ClassId);
EFI_STATUS EFIAPI GetClassOfSocket(const PROCESSOR_CLASS_PROTOCOL *This, UINTN Socket, PROCESSOR_CLASS_ID *ClassId);
EFI_STATUS EFIAPI GetCoreClassOfThisCore(const PROCESSOR_CLASS_PROTOCOL *This, PROCESSOR_CLASS_ID *ClassId);

// Reads the data register of an index/data pair in the ECAM window of bus 0, device 0,
// function 0, with the socket-0 signature index selected; the index is put back after.
VOID IndexedConfigRead(UINT32 IndexOffset, UINT32 *Value);

// Both locate REGISTER_ACCESS_PROTOCOL, a boot service allowed up to TPL_NOTIFY: callers
// must not call them above it.
EFI_STATUS EFIAPI GetInfoByte(const PLATFORM_INFO_PROTOCOL *This, UINT32 *Value);
EFI_STATUS EFIAPI GetUnitInfo(const PLATFORM_INFO_PROTOCOL *This, UINT32 *UnitMask, UINT32 *Field, UINT32 *Width,
                              UINT8 *Flag);
EFI_STATUS EFIAPI GetDescriptor(const PLATFORM_INFO_PROTOCOL *This, const PLATFORM_INFO_DESCRIPTOR **Descriptor);
EFI_STATUS EFIAPI ReservedService(const PLATFORM_INFO_PROTOCOL *This);

// A platform assumption: the configuration (ECAM) window at 0xE0000000. A platform whose
// window lies elsewhere (QEMU's q35 puts it at 0xB0000000) gets GetClassOfSocket's reads
// and writes outside it.
#define ECAM_BASE 0xE0000000ULL
#define ECAM_WINDOW_SIZE 0x10000000ULL
#define SOCKET_SIGNATURE_INDEX_REGISTER 0xB8U
#define SOCKET_SIGNATURE_INDEX 0x0005A86CU

#define SIGNATURE_MASK 0x0FFF0F00U
#define PACKAGE_TYPE_MASK 0xF0000000U
