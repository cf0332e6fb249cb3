// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Class tables of this deliverable (family 17h rows only, so the family 19h processors its
// driver main accepts find no class) and its lookups.
#include "framework/Framework.h"
#include "processor/Variant.h"
#include "variants/m60/ClassLookup.h"

#define REVISION_END {0, 0, REVISION_CLASS_NONE, REVISION_CLASS_NONE}

// Family 17h, models 3xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable3x[] = {
    {0x1, 0x0, 0x0010, 0x0010},  // 31h, 0: the default
    {0x0, 0x0, 0x0001, 0x0001},  // 30h, 0
    REVISION_END,
};

// Family 17h, models 7xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable7x[] = {
    {0x1, 0x0, 0x0010, 0x0010},  // 71h, 0: the default
    {0x0, 0x0, 0x0001, 0x0001},  // 70h, 0
    REVISION_END,
};

const FAMILY_CLASS_ENTRY FamilyClassTable[] = {
    {0x17, 0x3, 0x00000010, 0x00000001, RevisionTable3x},
    {0x17, 0x7, 0x00000004, 0x00000001, RevisionTable7x},
    {0x00, 0x0, FAMILY_CLASS_NONE, FAMILY_CLASS_NONE, NULL},
};

static BOOLEAN Lookup(UINT32 Signature, BOOLEAN Core, PROCESSOR_CLASS_ID *ClassId) {
  ClassId->FamilyClass = FAMILY_CLASS_NONE;
  ClassId->RevisionClass = REVISION_CLASS_NONE;
  const SIGNATURE_FIELDS Fields = SplitSignature(Signature);
  for (const FAMILY_CLASS_ENTRY *Row = FamilyClassTable; !IsFamilyEnd(Row); Row++) {
    if (!FamilyRowMatches(Row, Fields)) {
      continue;
    }
    const REVISION_CLASS_ENTRY *Revision = FindRevisionRow(Row, Fields);
    ClassId->FamilyClass = Core ? Row->CoreFamilyClass : Row->FamilyClass;
    ClassId->RevisionClass = Core ? Revision->CoreRevisionClass : Revision->RevisionClass;
  }
  return ClassId->FamilyClass != FAMILY_CLASS_NONE;
}

BOOLEAN LookupClass(UINT32 Signature, PROCESSOR_CLASS_ID *ClassId) { return Lookup(Signature, FALSE, ClassId); }

BOOLEAN LookupCoreClass(PROCESSOR_CLASS_ID *ClassId) {
  UINT32 Signature = 0;
  ReadCpuid(CPUID_EXTENDED_SIGNATURE, &Signature, NULL, NULL, NULL);
  return Lookup(Signature, TRUE, ClassId);
}

BOOLEAN ClassOfSignature(UINT32 Signature, PROCESSOR_CLASS_ID *ClassId) { return LookupClass(Signature, ClassId); }

BOOLEAN CoreClassOfThisCore(PROCESSOR_CLASS_ID *ClassId) { return LookupCoreClass(ClassId); }
