// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "ClassLookup.h"
#include "common/ClassCases.h"

namespace {

using namespace classcase;
constexpr const auto &Hits = kM60Hits;
constexpr const auto &Misses = kM60Misses;

class ClassTableM60Test : public DriverTest {};

TEST_F(ClassTableM60Test, LookupsFillTheClassOfEverySignatureServed) {
  for (const Hit &H : Hits) {
    PROCESSOR_CLASS_ID Id{};
    ASSERT_TRUE(LookupClass(H.Sig, &Id)) << H;
    EXPECT_EQ(Id.FamilyClass, H.FamilyClass) << H;
    EXPECT_EQ(Id.RevisionClass, H.RevisionClass) << H;

    Machine.SetSignature(H.Sig);
    PROCESSOR_CLASS_ID Core{};
    ASSERT_TRUE(LookupCoreClass(&Core)) << H;
    EXPECT_EQ(Core.FamilyClass, H.CoreFamilyClass) << H;
    EXPECT_EQ(Core.RevisionClass, H.CoreRevisionClass) << H;
  }
}

TEST_F(ClassTableM60Test, LookupsWriteNoClassOnAMiss) {
  for (UINT32 Sig : Misses) {
    PROCESSOR_CLASS_ID Id{1, 1};
    EXPECT_FALSE(LookupClass(Sig, &Id)) << std::hex << Sig;
    EXPECT_EQ(Id.FamilyClass, 0x80000000U);
    EXPECT_EQ(Id.RevisionClass, 0x8000U);

    Machine.SetSignature(Sig);
    PROCESSOR_CLASS_ID Core{1, 1};
    EXPECT_FALSE(LookupCoreClass(&Core)) << std::hex << Sig;
    EXPECT_EQ(Core.FamilyClass, 0x80000000U);
    EXPECT_EQ(Core.RevisionClass, 0x8000U);
  }
}

TEST_F(ClassTableM60Test, LookupCoreClassAsksTheExecutingProcessor) {
  Machine.SetSignature(Family17h(0x30, 0));
  PROCESSOR_CLASS_ID Core{};
  EXPECT_TRUE(LookupCoreClass(&Core));
  ASSERT_EQ(Machine.CpuidCalls.size(), 1U);
  EXPECT_EQ(Machine.CpuidCalls[0].Leaf, 0x80000001U);
}

TEST_F(ClassTableM60Test, ServicesAnswerEveryHitAndReportNoClassOnAMiss) {
  ExpectServicesOnAll(Machine, Hits, Misses, {0x80000000, 0x8000});
}

}  // namespace
