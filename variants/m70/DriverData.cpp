// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Driver-main data of this deliverable: family 19h, models 70h-7Fh.
#include "processor/Variant.h"

#include <Guid/SocDxeM70Presence.h>

const UINT32 gAcceptedSignature = 0x00A70F00U;

// GUIDs only this deliverable installs (AutoGen.h declares them in an EDK2 build).
#if !SOC_EDK2_BUILD
EFI_GUID gModulePresence1F6DBB2AGuid = MODULE_PRESENCE_1F6DBB2A_GUID;
EFI_GUID gModulePresence835C9B6BGuid = MODULE_PRESENCE_835C9B6B_GUID;
EFI_GUID gModulePresenceAE1B9A1FGuid = MODULE_PRESENCE_AE1B9A1F_GUID;
EFI_GUID gModulePresence0C902B83Guid = MODULE_PRESENCE_0C902B83_GUID;
EFI_GUID gModulePresence42FA06C2Guid = MODULE_PRESENCE_42FA06C2_GUID;
EFI_GUID gModulePresence5F6E90E2Guid = MODULE_PRESENCE_5F6E90E2_GUID;
EFI_GUID gModulePresence8C97CDE2Guid = MODULE_PRESENCE_8C97CDE2_GUID;
EFI_GUID gModulePresence638E4954Guid = MODULE_PRESENCE_638E4954_GUID;
EFI_GUID gModulePresenceFF7DBE78Guid = MODULE_PRESENCE_FF7DBE78_GUID;
EFI_GUID gModulePresence6CB64255Guid = MODULE_PRESENCE_6CB64255_GUID;
#endif

// Installed in this order; the status of the last install is driver main's status.
const EFI_GUID *const MODULE_PRESENCE_LIST[] = {
    &gModulePresence6F8C98EFGuid,
    &gModulePresence1F6DBB2AGuid,
    &gModulePresence835C9B6BGuid,
    &gModulePresenceAE1B9A1FGuid,
    &gModulePresence0C902B83Guid,
    &gModulePresence42FA06C2Guid,
    &gModulePresence25358F8BGuid,
    &gModulePresence58D75B48Guid,
    &gModulePresenceC0712692Guid,
    &gModulePresence80EEBCBEGuid,
    &gModulePresence5F6E90E2Guid,
    &gModulePresence8C97CDE2Guid,
    &gModulePresenceDA0651ACGuid,
    &gModulePresenceB0F94463Guid,
    &gModulePresence638E4954Guid,
    &gModulePresenceC774A092Guid,
    &gModulePresence55EC2F53Guid,
    &gModulePresence4C7D3AE6Guid,
    &gModulePresence538232D6Guid,
    &gModulePresenceFF7DBE78Guid,
    &gModulePresence6CB64255Guid,
    &gModulePresenceB67067C6Guid,
};
const UINTN MODULE_PRESENCE_COUNT = sizeof(MODULE_PRESENCE_LIST) / sizeof(MODULE_PRESENCE_LIST[0]);
static_assert(sizeof(MODULE_PRESENCE_LIST) / sizeof(MODULE_PRESENCE_LIST[0]) == 22, "presence list length");
