// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Driver-main data of this deliverable: family 19h, models 60h-6Fh.
#include "processor/Variant.h"

#include <Guid/SocDxeM60Presence.h>

const UINT32 gAcceptedSignature = 0x00A60F00U;

// GUIDs only this deliverable installs (AutoGen.h declares them in an EDK2 build).
#if !SOC_EDK2_BUILD
EFI_GUID gModulePresenceB0225F63Guid = MODULE_PRESENCE_B0225F63_GUID;
EFI_GUID gModulePresenceEBB11F94Guid = MODULE_PRESENCE_EBB11F94_GUID;
EFI_GUID gModulePresence84F3346FGuid = MODULE_PRESENCE_84F3346F_GUID;
EFI_GUID gModulePresenceA6AF455BGuid = MODULE_PRESENCE_A6AF455B_GUID;
EFI_GUID gModulePresence72223939Guid = MODULE_PRESENCE_72223939_GUID;
EFI_GUID gModulePresence49E0132BGuid = MODULE_PRESENCE_49E0132B_GUID;
EFI_GUID gModulePresenceB94C01B9Guid = MODULE_PRESENCE_B94C01B9_GUID;
EFI_GUID gModulePresence14C89698Guid = MODULE_PRESENCE_14C89698_GUID;
EFI_GUID gModulePresence86A2396BGuid = MODULE_PRESENCE_86A2396B_GUID;
EFI_GUID gModulePresenceEF9167DFGuid = MODULE_PRESENCE_EF9167DF_GUID;
EFI_GUID gModulePresence562468F4Guid = MODULE_PRESENCE_562468F4_GUID;
EFI_GUID gModulePresenceA3453F52Guid = MODULE_PRESENCE_A3453F52_GUID;
EFI_GUID gModulePresence4AA33B94Guid = MODULE_PRESENCE_4AA33B94_GUID;
#endif

// Installed in this order; the status of the last install is driver main's status.
const EFI_GUID *const MODULE_PRESENCE_LIST[] = {
    &gModulePresence6F8C98EFGuid,
    &gModulePresenceB0225F63Guid,
    &gModulePresenceEBB11F94Guid,
    &gModulePresence84F3346FGuid,
    &gModulePresenceA6AF455BGuid,
    &gModulePresence72223939Guid,
    &gModulePresence25358F8BGuid,
    &gModulePresence58D75B48Guid,
    &gModulePresenceC0712692Guid,
    &gModulePresence80EEBCBEGuid,
    &gModulePresence49E0132BGuid,
    &gModulePresenceB94C01B9Guid,
    &gModulePresence14C89698Guid,
    &gModulePresence86A2396BGuid,
    &gModulePresenceEF9167DFGuid,
    &gModulePresenceDA0651ACGuid,
    &gModulePresenceB0F94463Guid,
    &gModulePresence562468F4Guid,
    &gModulePresenceC774A092Guid,
    &gModulePresence55EC2F53Guid,
    &gModulePresence4C7D3AE6Guid,
    &gModulePresence538232D6Guid,
    &gModulePresenceA3453F52Guid,
    &gModulePresence4AA33B94Guid,
    &gModulePresenceB67067C6Guid,
};
const UINTN MODULE_PRESENCE_COUNT = sizeof(MODULE_PRESENCE_LIST) / sizeof(MODULE_PRESENCE_LIST[0]);
static_assert(sizeof(MODULE_PRESENCE_LIST) / sizeof(MODULE_PRESENCE_LIST[0]) == 25, "presence list length");
