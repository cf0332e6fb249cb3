// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "ClassLookup.h"
#include "common/ClassCases.h"

namespace {

using namespace classcase;
constexpr const auto &Hits = kM70Hits;
constexpr const auto &Misses = kM70Misses;

class ClassTableM70Test : public DriverTest {};

TEST_F(ClassTableM70Test, FindClassEntriesGivesTheRowsOfEverySignatureServed) {
  for (const Hit &H : Hits) {
    const FAMILY_CLASS_ENTRY *Family = nullptr;
    const REVISION_CLASS_ENTRY *Revision = nullptr;
    ASSERT_TRUE(FindClassEntries(H.Sig, &Family, &Revision)) << H;
    EXPECT_EQ(Family->FamilyClass, H.FamilyClass) << H;
    EXPECT_EQ(Family->CoreFamilyClass, H.CoreFamilyClass) << H;
    EXPECT_EQ(Revision->RevisionClass, H.RevisionClass) << H;
    EXPECT_EQ(Revision->CoreRevisionClass, H.CoreRevisionClass) << H;
  }
}

TEST_F(ClassTableM70Test, FindClassEntriesWritesNothingOnAMiss) {
  const FAMILY_CLASS_ENTRY FamilyMarker{};
  const REVISION_CLASS_ENTRY RevisionMarker{};
  for (UINT32 Sig : Misses) {
    const FAMILY_CLASS_ENTRY *Family = &FamilyMarker;
    const REVISION_CLASS_ENTRY *Revision = &RevisionMarker;
    EXPECT_FALSE(FindClassEntries(Sig, &Family, &Revision)) << std::hex << Sig;
    EXPECT_EQ(Family, &FamilyMarker);
    EXPECT_EQ(Revision, &RevisionMarker);
  }
}

TEST_F(ClassTableM70Test, ServicesAnswerEveryHitAndLeaveTheRecordAloneOnAMiss) {
  ExpectServicesOnAll(Machine, Hits, Misses, {0x11111111, 0x2222});
}

}  // namespace
