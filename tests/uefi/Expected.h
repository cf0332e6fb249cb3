// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// What each deliverable must do, written down independently of the drivers' own tables so
// that a wrong entry in a driver cannot agree with itself.
#pragma once

#include "efi/Uefi.h"

#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>

// Register contents the application's register-access protocol answers with.
struct REGISTER_VALUE {
  UINT32 Address;
  UINT32 Value;
};

// What GetUnitInfo must answer for given register contents, and which registers it reads.
struct UNIT_INFO_ANSWER {
  UINT32 UnitMask;
  UINT32 Field;
  UINT32 Width;
  UINT8 Flag;
  UINT32 Reads[2];
  UINTN ReadCount;
};

enum CLASS_QUERY { ClassOfCore, ClassOfSocket, CoreClassOfCore };

// A class answer: Served is false when no family row serves the signature; Known is false
// for signatures these expectations do not cover (the check then only reports).
struct CLASS_ANSWER {
  bool Known;
  bool Served;
  PROCESSOR_CLASS_ID Class;
};

struct VARIANT {
  const char *Name;       // order token and check subject, e.g. "m70"
  const char *ImageName;  // "SocDxeM70"
  const char *FwCfgFile;  // where the runner put the image
  const char *FileGuid;   // its FFS file's name in SocDxe.fv, registry form
  UINT32 AcceptedSignature;  // CPUID 0x80000001 EAX AND 0x0FFF0F00
  const char *const *Presence;  // registry-form GUIDs, install order
  UINTN PresenceCount;
  UINT32 Descriptor[4];
  UINT32 InfoByteRegister;
  UINT32 InfoByteShift;
  // After EFI_DEVICE_ERROR the caller's record holds the "no class" values (else untouched).
  bool NoneOnMiss;
  CLASS_ANSWER (*ClassOf)(CLASS_QUERY Query, UINT32 Signature);
  UNIT_INFO_ANSWER (*UnitInfoOf)(UINT32 (*Read)(UINT32 Address));
};

extern const VARIANT kVariants[];
extern const UINTN kVariantCount;

bool Accepts(const VARIANT &Variant, UINT32 Eax, UINT32 Ebx);

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"; false on anything else.
bool ParseGuid(const char *Text, EFI_GUID *Guid);
// Position (1-based) of Guid in the variant's presence list, or 0.
UINTN PresencePosition(const VARIANT &Variant, const EFI_GUID *Guid);
