// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// What each deliverable supplies to the common processor code: data, and the few routines
// whose behaviour differs. Defined once per deliverable in variants/<v>/.
#pragma once

#include "efi/Uefi.h"
#include "framework/Framework.h"

#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>
#include <Protocol/RegisterAccess.h>

// Driver main: the accepted signature (CPUID 0x80000001 EAX masked with 0x0FFF0F00) and
// the module-presence GUIDs, in install order.
extern const UINT32 gAcceptedSignature;
extern const EFI_GUID *const MODULE_PRESENCE_LIST[];
extern const UINTN MODULE_PRESENCE_COUNT;

// The class values of a table's end rows, and of no class.
#define FAMILY_CLASS_NONE 0x80000000U
#define REVISION_CLASS_NONE 0x8000U

// Class tables. A revision table ends at its first row with RevisionClass
// REVISION_CLASS_NONE; its first row is the family row's default.
struct REVISION_CLASS_ENTRY {
  UINT8 BaseModel;
  UINT8 Stepping;
  UINT16 RevisionClass;
  UINT16 CoreRevisionClass;
};

// The family table ends at its first row with a NULL RevisionTable.
struct FAMILY_CLASS_ENTRY {
  UINT16 Family;
  UINT8 ExtendedModel;
  UINT32 FamilyClass;
  UINT32 CoreFamilyClass;
  const REVISION_CLASS_ENTRY *RevisionTable;
};

extern const FAMILY_CLASS_ENTRY FamilyClassTable[];

// The class lookups behind the protocol: fill ClassId with the class pair of Signature,
// or with the core-class pair of the executing processor. TRUE when a family row served.
// What ClassId holds after FALSE is the deliverable's choice.
BOOLEAN ClassOfSignature(UINT32 Signature, PROCESSOR_CLASS_ID *ClassId);
BOOLEAN CoreClassOfThisCore(PROCESSOR_CLASS_ID *ClassId);

// Platform information: the GetInfoByte register and the shift of its 8-bit field, the
// static descriptor, and the unit read, which writes UnitMask (when non-NULL) itself and
// hands back the raw Field (8 bits) and Flag (0 or 1).
extern const UINT32 gInfoByteRegister;
extern const UINT8 gInfoByteShift;
extern const PLATFORM_INFO_DESCRIPTOR gPlatformInfoDescriptor;
VOID ReadUnitInfo(REGISTER_ACCESS_PROTOCOL *Access, UINT32 *UnitMask, UINT32 *Field, UINT8 *Flag);

// Reads one register through the outside protocol. The buffer is cleared first so that a
// read that fails without writing gives 0 rather than stack contents.
inline UINT32 ReadPlatformRegister(REGISTER_ACCESS_PROTOCOL *Access, UINT32 Address) {
  UINT32 Value = 0;
  Access->ReadRegister(Access, 0, Address, &Value);
  return Value;
}

// The signature fields the class tables compare.
struct SIGNATURE_FIELDS {
  UINT16 FamilySum;  // extended family + base family, whatever the base family is
  UINT8 ExtendedModel;
  UINT8 BaseModel;
  UINT8 Stepping;
};

inline SIGNATURE_FIELDS SplitSignature(UINT32 Signature) {
  const PROCESSOR_SIGNATURE S = DecodeSignature(Signature);
  SIGNATURE_FIELDS F;
  F.FamilySum = static_cast<UINT16>(S.ExtendedFamily + S.BaseFamily);
  F.ExtendedModel = S.ExtendedModel;
  F.BaseModel = S.BaseModel;
  F.Stepping = S.Stepping;
  return F;
}

inline BOOLEAN IsFamilyEnd(const FAMILY_CLASS_ENTRY *Row) { return Row->RevisionTable == NULL; }
inline BOOLEAN IsRevisionEnd(const REVISION_CLASS_ENTRY *Row) { return Row->RevisionClass == REVISION_CLASS_NONE; }

inline BOOLEAN FamilyRowMatches(const FAMILY_CLASS_ENTRY *Row, const SIGNATURE_FIELDS &F) {
  return Row->Family == F.FamilySum && Row->ExtendedModel == F.ExtendedModel;
}
inline BOOLEAN RevisionRowMatches(const REVISION_CLASS_ENTRY *Row, const SIGNATURE_FIELDS &F) {
  return Row->BaseModel == F.BaseModel && Row->Stepping == F.Stepping;
}

// Revision row for the signature in Row's table: the first match, else the default.
inline const REVISION_CLASS_ENTRY *FindRevisionRow(const FAMILY_CLASS_ENTRY *Row, const SIGNATURE_FIELDS &F) {
  for (const REVISION_CLASS_ENTRY *Rev = Row->RevisionTable; !IsRevisionEnd(Rev); Rev++) {
    if (RevisionRowMatches(Rev, F)) {
      return Rev;
    }
  }
  return Row->RevisionTable;
}
