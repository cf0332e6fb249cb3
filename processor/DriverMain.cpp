// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "processor/Processor.h"

#include "debug/IdsHook.h"
#include "framework/Framework.h"
#include "processor/Variant.h"

EFI_STATUS DriverMain(EFI_HANDLE ImageHandle) {
  UINT32 Eax = 0;
  UINT32 Ebx = 0;
  ReadCpuid(CPUID_EXTENDED_SIGNATURE, &Eax, &Ebx, NULL, NULL);
  // Base model and stepping do not matter; a non-zero package type is not ours.
  if ((Eax & SIGNATURE_MASK) != gAcceptedSignature || (Ebx & PACKAGE_TYPE_MASK) != 0) {
    return EFI_SUCCESS;
  }

  // Install statuses of the two protocols are deliberately not examined: a failure there
  // must not keep the presence GUIDs from other drivers.
  EFI_HANDLE ClassHandle = ImageHandle;
  gBootServices->InstallProtocolInterface(&ClassHandle, &gProcessorClassProtocolGuid, EFI_NATIVE_INTERFACE,
                                          const_cast<PROCESSOR_CLASS_PROTOCOL *>(&gProcessorClassProtocol));
  EFI_HANDLE InfoHandle = ImageHandle;
  gBootServices->InstallProtocolInterface(&InfoHandle, &gPlatformInfoProtocolGuid, EFI_NATIVE_INTERFACE,
                                          const_cast<PLATFORM_INFO_PROTOCOL *>(&gPlatformInfoProtocol));

  IdsHookFunc();

  // One handle variable for every presence install, so all land on the image handle.
  EFI_HANDLE PresenceHandle = ImageHandle;
  EFI_STATUS Status = EFI_SUCCESS;
  for (UINTN Index = 0; Index < MODULE_PRESENCE_COUNT; Index++) {
    // MdePkg's prototype takes a non-const GUID that it only reads.
    Status = gBootServices->InstallProtocolInterface(&PresenceHandle, const_cast<EFI_GUID *>(MODULE_PRESENCE_LIST[Index]),
                                                     EFI_NATIVE_INTERFACE, NULL);
  }
  return Status;
}
