/** @file
  Module-presence GUIDs that both SocDxeM70 and SocDxeM60 install, with NULL interfaces,
  on the driver's image handle once its processor check passes. Other modules use them
  only in their dependency expressions, for example:

    [Depex]
      gModulePresence6F8C98EFGuid

  Since only the driver whose processor check passes installs them, a module that waits
  on one of these is dispatched on a processor either driver serves.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_DXE_PRESENCE_GUID_H_
#define SOC_DXE_PRESENCE_GUID_H_

/// {6F8C98EF-2D68-4BB9-9388-84C2A5D9220D}
#define MODULE_PRESENCE_6F8C98EF_GUID \
  { 0x6F8C98EF, 0x2D68, 0x4BB9, { 0x93, 0x88, 0x84, 0xC2, 0xA5, 0xD9, 0x22, 0x0D } }
/// {25358F8B-C684-4F7C-804B-A813EEB8C5EE}
#define MODULE_PRESENCE_25358F8B_GUID \
  { 0x25358F8B, 0xC684, 0x4F7C, { 0x80, 0x4B, 0xA8, 0x13, 0xEE, 0xB8, 0xC5, 0xEE } }
/// {58D75B48-5D7F-4A21-A853-E01AD7A518A7}
#define MODULE_PRESENCE_58D75B48_GUID \
  { 0x58D75B48, 0x5D7F, 0x4A21, { 0xA8, 0x53, 0xE0, 0x1A, 0xD7, 0xA5, 0x18, 0xA7 } }
/// {C0712692-C25E-4EBC-831D-50EF2FC560E6}
#define MODULE_PRESENCE_C0712692_GUID \
  { 0xC0712692, 0xC25E, 0x4EBC, { 0x83, 0x1D, 0x50, 0xEF, 0x2F, 0xC5, 0x60, 0xE6 } }
/// {80EEBCBE-54B2-4F3E-803D-D690ADF69F24}
#define MODULE_PRESENCE_80EEBCBE_GUID \
  { 0x80EEBCBE, 0x54B2, 0x4F3E, { 0x80, 0x3D, 0xD6, 0x90, 0xAD, 0xF6, 0x9F, 0x24 } }
/// {DA0651AC-8006-4A50-B2A0-2FC2C30F9F92}
#define MODULE_PRESENCE_DA0651AC_GUID \
  { 0xDA0651AC, 0x8006, 0x4A50, { 0xB2, 0xA0, 0x2F, 0xC2, 0xC3, 0x0F, 0x9F, 0x92 } }
/// {B0F94463-3DEB-4908-A801-D830EE5097B3}
#define MODULE_PRESENCE_B0F94463_GUID \
  { 0xB0F94463, 0x3DEB, 0x4908, { 0xA8, 0x01, 0xD8, 0x30, 0xEE, 0x50, 0x97, 0xB3 } }
/// {C774A092-5685-4E01-9C2C-EFC7E9AE2E25}
#define MODULE_PRESENCE_C774A092_GUID \
  { 0xC774A092, 0x5685, 0x4E01, { 0x9C, 0x2C, 0xEF, 0xC7, 0xE9, 0xAE, 0x2E, 0x25 } }
/// {55EC2F53-5ABC-4D9F-BB02-E1E712613896}
#define MODULE_PRESENCE_55EC2F53_GUID \
  { 0x55EC2F53, 0x5ABC, 0x4D9F, { 0xBB, 0x02, 0xE1, 0xE7, 0x12, 0x61, 0x38, 0x96 } }
/// {4C7D3AE6-57E0-4E3A-A4D7-4E47BCBD2E43}
#define MODULE_PRESENCE_4C7D3AE6_GUID \
  { 0x4C7D3AE6, 0x57E0, 0x4E3A, { 0xA4, 0xD7, 0x4E, 0x47, 0xBC, 0xBD, 0x2E, 0x43 } }
/// {538232D6-F494-47DF-B0CB-E8E981506E47}
#define MODULE_PRESENCE_538232D6_GUID \
  { 0x538232D6, 0xF494, 0x47DF, { 0xB0, 0xCB, 0xE8, 0xE9, 0x81, 0x50, 0x6E, 0x47 } }
/// {B67067C6-5F07-4481-0D8D-B60C633C122B}
#define MODULE_PRESENCE_B67067C6_GUID \
  { 0xB67067C6, 0x5F07, 0x4481, { 0x0D, 0x8D, 0xB6, 0x0C, 0x63, 0x3C, 0x12, 0x2B } }

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gModulePresence6F8C98EFGuid;
extern EFI_GUID  gModulePresence25358F8BGuid;
extern EFI_GUID  gModulePresence58D75B48Guid;
extern EFI_GUID  gModulePresenceC0712692Guid;
extern EFI_GUID  gModulePresence80EEBCBEGuid;
extern EFI_GUID  gModulePresenceDA0651ACGuid;
extern EFI_GUID  gModulePresenceB0F94463Guid;
extern EFI_GUID  gModulePresenceC774A092Guid;
extern EFI_GUID  gModulePresence55EC2F53Guid;
extern EFI_GUID  gModulePresence4C7D3AE6Guid;
extern EFI_GUID  gModulePresence538232D6Guid;
extern EFI_GUID  gModulePresenceB67067C6Guid;

#ifdef __cplusplus
}
#endif

#endif
