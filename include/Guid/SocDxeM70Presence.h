/** @file
  Module-presence GUIDs of SocDxeM70 (family 19h, models 70h to 7Fh): the ones both
  drivers install, and these ten, which only SocDxeM70 installs. A module whose
  dependency expression waits on one of these ten is dispatched only on a processor
  SocDxeM70 serves.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_DXE_M70_PRESENCE_GUID_H_
#define SOC_DXE_M70_PRESENCE_GUID_H_

#include <Guid/SocDxePresence.h>

/// {1F6DBB2A-3E90-4A3C-992B-EC399F8F9388}
#define MODULE_PRESENCE_1F6DBB2A_GUID \
  { 0x1F6DBB2A, 0x3E90, 0x4A3C, { 0x99, 0x2B, 0xEC, 0x39, 0x9F, 0x8F, 0x93, 0x88 } }
/// {835C9B6B-6C67-4A46-9AAB-174573C4D2E6}
#define MODULE_PRESENCE_835C9B6B_GUID \
  { 0x835C9B6B, 0x6C67, 0x4A46, { 0x9A, 0xAB, 0x17, 0x45, 0x73, 0xC4, 0xD2, 0xE6 } }
/// {AE1B9A1F-2618-4A91-8A88-AC522EA24530}
#define MODULE_PRESENCE_AE1B9A1F_GUID \
  { 0xAE1B9A1F, 0x2618, 0x4A91, { 0x8A, 0x88, 0xAC, 0x52, 0x2E, 0xA2, 0x45, 0x30 } }
/// {0C902B83-570A-414B-A7C7-A4A3381DDEDB}
#define MODULE_PRESENCE_0C902B83_GUID \
  { 0x0C902B83, 0x570A, 0x414B, { 0xA7, 0xC7, 0xA4, 0xA3, 0x38, 0x1D, 0xDE, 0xDB } }
/// {42FA06C2-8887-4732-B995-1E8D4CC68D8D}
#define MODULE_PRESENCE_42FA06C2_GUID \
  { 0x42FA06C2, 0x8887, 0x4732, { 0xB9, 0x95, 0x1E, 0x8D, 0x4C, 0xC6, 0x8D, 0x8D } }
/// {5F6E90E2-412F-B443-DB28-AB8859E40E38}
#define MODULE_PRESENCE_5F6E90E2_GUID \
  { 0x5F6E90E2, 0x412F, 0xB443, { 0xDB, 0x28, 0xAB, 0x88, 0x59, 0xE4, 0x0E, 0x38 } }
/// {8C97CDE2-7082-466C-9816-1767B9014AF2}
#define MODULE_PRESENCE_8C97CDE2_GUID \
  { 0x8C97CDE2, 0x7082, 0x466C, { 0x98, 0x16, 0x17, 0x67, 0xB9, 0x01, 0x4A, 0xF2 } }
/// {638E4954-BB2C-46DF-B587-4C6E805E6FC8}
#define MODULE_PRESENCE_638E4954_GUID \
  { 0x638E4954, 0xBB2C, 0x46DF, { 0xB5, 0x87, 0x4C, 0x6E, 0x80, 0x5E, 0x6F, 0xC8 } }
/// {FF7DBE78-A58C-4FB5-83AA-F3A6DF31E3AD}
#define MODULE_PRESENCE_FF7DBE78_GUID \
  { 0xFF7DBE78, 0xA58C, 0x4FB5, { 0x83, 0xAA, 0xF3, 0xA6, 0xDF, 0x31, 0xE3, 0xAD } }
/// {6CB64255-EE27-4CD4-B9B7-B4E3698BAE00}
#define MODULE_PRESENCE_6CB64255_GUID \
  { 0x6CB64255, 0xEE27, 0x4CD4, { 0xB9, 0xB7, 0xB4, 0xE3, 0x69, 0x8B, 0xAE, 0x00 } }

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gModulePresence1F6DBB2AGuid;
extern EFI_GUID  gModulePresence835C9B6BGuid;
extern EFI_GUID  gModulePresenceAE1B9A1FGuid;
extern EFI_GUID  gModulePresence0C902B83Guid;
extern EFI_GUID  gModulePresence42FA06C2Guid;
extern EFI_GUID  gModulePresence5F6E90E2Guid;
extern EFI_GUID  gModulePresence8C97CDE2Guid;
extern EFI_GUID  gModulePresence638E4954Guid;
extern EFI_GUID  gModulePresenceFF7DBE78Guid;
extern EFI_GUID  gModulePresence6CB64255Guid;

#ifdef __cplusplus
}
#endif

#endif
