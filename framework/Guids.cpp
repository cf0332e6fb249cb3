// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Every GUID the drivers name, defined once. Built by EDK2, AutoGen.c defines them from
// the package declarations instead (each INF lists the GUIDs its driver uses), so this
// file is empty there.
#include "efi/Uefi.h"

#include <Guid/HeapHob.h>
#include <Guid/SocDxePresence.h>
#include <Protocol/DebugPrint.h>
#include <Protocol/HeapList.h>
#include <Protocol/InterruptTable.h>
#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>
#include <Protocol/RegisterAccess.h>

#if !SOC_EDK2_BUILD
EFI_GUID gEfiHobListGuid = HOB_LIST_GUID;
EFI_GUID gEfiDxeServicesTableGuid = DXE_SERVICES_TABLE_GUID;
EFI_GUID gPcdProtocolGuid = PCD_PROTOCOL_GUID;
EFI_GUID gEfiPcdProtocolGuid = EFI_PCD_PROTOCOL_GUID;
EFI_GUID gHeapHobGuid = HEAP_HOB_GUID;
EFI_GUID gHeapListProtocolGuid = HEAP_LIST_PROTOCOL_GUID;
EFI_GUID gProcessorClassProtocolGuid = PROCESSOR_CLASS_PROTOCOL_GUID;
EFI_GUID gPlatformInfoProtocolGuid = PLATFORM_INFO_PROTOCOL_GUID;
EFI_GUID gDebugPrintProtocolGuid = DEBUG_PRINT_PROTOCOL_GUID;
EFI_GUID gRegisterAccessProtocolGuid = REGISTER_ACCESS_PROTOCOL_GUID;
EFI_GUID gInterruptTableProtocolGuid = INTERRUPT_TABLE_PROTOCOL_GUID;

EFI_GUID gModulePresence6F8C98EFGuid = MODULE_PRESENCE_6F8C98EF_GUID;
EFI_GUID gModulePresence25358F8BGuid = MODULE_PRESENCE_25358F8B_GUID;
EFI_GUID gModulePresence58D75B48Guid = MODULE_PRESENCE_58D75B48_GUID;
EFI_GUID gModulePresenceC0712692Guid = MODULE_PRESENCE_C0712692_GUID;
EFI_GUID gModulePresence80EEBCBEGuid = MODULE_PRESENCE_80EEBCBE_GUID;
EFI_GUID gModulePresenceDA0651ACGuid = MODULE_PRESENCE_DA0651AC_GUID;
EFI_GUID gModulePresenceB0F94463Guid = MODULE_PRESENCE_B0F94463_GUID;
EFI_GUID gModulePresenceC774A092Guid = MODULE_PRESENCE_C774A092_GUID;
EFI_GUID gModulePresence55EC2F53Guid = MODULE_PRESENCE_55EC2F53_GUID;
EFI_GUID gModulePresence4C7D3AE6Guid = MODULE_PRESENCE_4C7D3AE6_GUID;
EFI_GUID gModulePresence538232D6Guid = MODULE_PRESENCE_538232D6_GUID;
EFI_GUID gModulePresenceB67067C6Guid = MODULE_PRESENCE_B67067C6_GUID;
#endif
