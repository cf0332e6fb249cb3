// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Class tables of this deliverable (family 19h rows) and its lookup: the first matching
// family row wins, and the services copy the fields they need from the rows found.
#include "framework/Framework.h"
#include "processor/Variant.h"
#include "variants/m70/ClassLookup.h"

#define REVISION_END {0, 0, REVISION_CLASS_NONE, REVISION_CLASS_NONE}

// Family 19h, models 7xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable7x[] = {
    {0x5, 0x2, 0x0080, 0x0400},  // 75h, 2: the default
    {0xC, 0x0, 0x0100, 0x0100},  // 7Ch, 0
    {0x8, 0x0, 0x0004, 0x0100},  // 78h, 0
    {0x4, 0x2, 0x0008, 0x0400},  // 74h, 2
    {0x4, 0x1, 0x0002, 0x0200},  // 74h, 1
    {0x4, 0x0, 0x0001, 0x0100},  // 74h, 0
    {0x0, 0x0, 0x0001, 0x0100},  // 70h, 0
    REVISION_END,
};

// Family 19h, models 6xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable6x[] = {
    {0x1, 0x2, 0x0020, 0x2000},  // 61h, 2
    {0x1, 0x1, 0x0010, 0x1000},  // 61h, 1
    {0x1, 0x0, 0x0010, 0x1000},  // 61h, 0
    {0x0, 0x1, 0x0001, 0x0100},  // 60h, 1
    {0x0, 0x0, 0x0001, 0x0100},  // 60h, 0
    REVISION_END,
};

// Family 19h, models 1xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable1x[] = {
    {0x1, 0x2, 0x0040, 0x4000},  // 11h, 2
    {0x1, 0x1, 0x0020, 0x2000},  // 11h, 1
    {0x1, 0x0, 0x0010, 0x1000},  // 11h, 0
    {0x0, 0xB, 0x0004, 0x1000},  // 10h, B
    {0x0, 0x1, 0x0002, 0x0100},  // 10h, 1
    {0x0, 0x0, 0x0001, 0x0100},  // 10h, 0
    {0x8, 0x1, 0x0200, 0x2000},  // 18h, 1
    {0x8, 0x0, 0x0100, 0x1000},  // 18h, 0
    REVISION_END,
};

// Family 19h, models Axh.
static constexpr REVISION_CLASS_ENTRY RevisionTableAx[] = {
    {0x0, 0x1, 0x0002, 0x0200},  // A0h, 1
    {0x0, 0x0, 0x0001, 0x0100},  // A0h, 0
    REVISION_END,
};

// Family 19h, models 8xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable8x[] = {
    {0x0, 0x0, 0x0001, 0x0100},  // 80h, 0
    REVISION_END,
};

// Family 19h, models 9xh.
static constexpr REVISION_CLASS_ENTRY RevisionTable9x[] = {
    {0x0, 0x1, 0x0002, 0x4000},  // 90h, 1
    {0x0, 0x0, 0x0001, 0x2000},  // 90h, 0
    REVISION_END,
};

const FAMILY_CLASS_ENTRY FamilyClassTable[] = {
    {0x19, 0x7, 0x00002000, 0x00000003, RevisionTable7x},
    {0x19, 0x6, 0x00004000, 0x00000003, RevisionTable6x},
    {0x19, 0x1, 0x00001000, 0x00000003, RevisionTable1x},
    {0x19, 0xA, 0x00008000, 0x00000003, RevisionTableAx},
    {0x19, 0x8, 0x00010000, 0x00000003, RevisionTable8x},
    {0x19, 0x9, 0x00040000, 0x00000003, RevisionTable9x},
    {0x00, 0x0, FAMILY_CLASS_NONE, 0x00000000, NULL},
};

BOOLEAN FindClassEntries(UINT32 Signature, const FAMILY_CLASS_ENTRY **FamilyEntry,
                         const REVISION_CLASS_ENTRY **RevisionEntry) {
  const SIGNATURE_FIELDS Fields = SplitSignature(Signature);
  for (const FAMILY_CLASS_ENTRY *Row = FamilyClassTable; !IsFamilyEnd(Row); Row++) {
    if (FamilyRowMatches(Row, Fields)) {
      *FamilyEntry = Row;
      *RevisionEntry = FindRevisionRow(Row, Fields);
      return TRUE;
    }
  }
  return FALSE;
}

// On a miss the caller's record is left as it was.
BOOLEAN ClassOfSignature(UINT32 Signature, PROCESSOR_CLASS_ID *ClassId) {
  const FAMILY_CLASS_ENTRY *Family;
  const REVISION_CLASS_ENTRY *Revision;
  if (!FindClassEntries(Signature, &Family, &Revision)) {
    return FALSE;
  }
  ClassId->FamilyClass = Family->FamilyClass;
  ClassId->RevisionClass = Revision->RevisionClass;
  return TRUE;
}

BOOLEAN CoreClassOfThisCore(PROCESSOR_CLASS_ID *ClassId) {
  UINT32 Signature = 0;
  ReadCpuid(CPUID_EXTENDED_SIGNATURE, &Signature, NULL, NULL, NULL);
  const FAMILY_CLASS_ENTRY *Family;
  const REVISION_CLASS_ENTRY *Revision;
  if (!FindClassEntries(Signature, &Family, &Revision)) {
    return FALSE;
  }
  ClassId->FamilyClass = Family->CoreFamilyClass;
  ClassId->RevisionClass = Revision->CoreRevisionClass;
  return TRUE;
}
