// Driver-main data of this deliverable: family 19h, models 60h-6Fh.
#include "ModulePresenceGuids.h"
#include "processor/Variant.h"

const UINT32 gAcceptedSignature = 0x00A60F00U;

// GUIDs only this deliverable installs (AutoGen.h declares them in an EDK2 build).
#if !SOC_EDK2_BUILD
// {B0225F63-1E64-42BF-BCDB-3AF9D0131F7A}
static constexpr EFI_GUID gModulePresenceB0225F63Guid = {0xB0225F63, 0x1E64, 0x42BF, {0xBC, 0xDB, 0x3A, 0xF9, 0xD0, 0x13, 0x1F, 0x7A}};
// {EBB11F94-01FD-4C06-B7D2-82543E109F7C}
static constexpr EFI_GUID gModulePresenceEBB11F94Guid = {0xEBB11F94, 0x01FD, 0x4C06, {0xB7, 0xD2, 0x82, 0x54, 0x3E, 0x10, 0x9F, 0x7C}};
// {84F3346F-BA7C-4E2B-BF42-A44440D4BE79}
static constexpr EFI_GUID gModulePresence84F3346FGuid = {0x84F3346F, 0xBA7C, 0x4E2B, {0xBF, 0x42, 0xA4, 0x44, 0x40, 0xD4, 0xBE, 0x79}};
// {A6AF455B-8751-4970-8487-CC7710B616F6}
static constexpr EFI_GUID gModulePresenceA6AF455BGuid = {0xA6AF455B, 0x8751, 0x4970, {0x84, 0x87, 0xCC, 0x77, 0x10, 0xB6, 0x16, 0xF6}};
// {72223939-14A1-4676-9E68-2E883682CF9B}
static constexpr EFI_GUID gModulePresence72223939Guid = {0x72223939, 0x14A1, 0x4676, {0x9E, 0x68, 0x2E, 0x88, 0x36, 0x82, 0xCF, 0x9B}};
// {49E0132B-9DDF-45F7-BC38-A6AA79658FEC}
static constexpr EFI_GUID gModulePresence49E0132BGuid = {0x49E0132B, 0x9DDF, 0x45F7, {0xBC, 0x38, 0xA6, 0xAA, 0x79, 0x65, 0x8F, 0xEC}};
// {B94C01B9-619B-4B05-A3E7-D42449CD08B2}
static constexpr EFI_GUID gModulePresenceB94C01B9Guid = {0xB94C01B9, 0x619B, 0x4B05, {0xA3, 0xE7, 0xD4, 0x24, 0x49, 0xCD, 0x08, 0xB2}};
// {14C89698-22B0-4AEA-99E6-EDBEDA10A647}
static constexpr EFI_GUID gModulePresence14C89698Guid = {0x14C89698, 0x22B0, 0x4AEA, {0x99, 0xE6, 0xED, 0xBE, 0xDA, 0x10, 0xA6, 0x47}};
// {86A2396B-C513-4C32-9BA4-41452F6AE004}
static constexpr EFI_GUID gModulePresence86A2396BGuid = {0x86A2396B, 0xC513, 0x4C32, {0x9B, 0xA4, 0x41, 0x45, 0x2F, 0x6A, 0xE0, 0x04}};
// {EF9167DF-F506-481E-B57C-DDE60EE97991}
static constexpr EFI_GUID gModulePresenceEF9167DFGuid = {0xEF9167DF, 0xF506, 0x481E, {0xB5, 0x7C, 0xDD, 0xE6, 0x0E, 0xE9, 0x79, 0x91}};
// {562468F4-2EB6-491A-83F4-EAC6AD3D7635}
static constexpr EFI_GUID gModulePresence562468F4Guid = {0x562468F4, 0x2EB6, 0x491A, {0x83, 0xF4, 0xEA, 0xC6, 0xAD, 0x3D, 0x76, 0x35}};
// {A3453F52-FE2F-4F4C-927E-0FD2A777A290}
static constexpr EFI_GUID gModulePresenceA3453F52Guid = {0xA3453F52, 0xFE2F, 0x4F4C, {0x92, 0x7E, 0x0F, 0xD2, 0xA7, 0x77, 0xA2, 0x90}};
// {4AA33B94-B35B-4E24-AC55-E651496AC762}
static constexpr EFI_GUID gModulePresence4AA33B94Guid = {0x4AA33B94, 0xB35B, 0x4E24, {0xAC, 0x55, 0xE6, 0x51, 0x49, 0x6A, 0xC7, 0x62}};
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
