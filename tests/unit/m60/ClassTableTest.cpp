#include "ClassLookup.h"
#include "common/ClassCases.h"

namespace {

using namespace classcase;

class ClassTableM60Test : public DriverTest {};

const Hit Hits[] = {
    // Family 17h, models 3xh
    {Family17h(0x31, 0), 0x00000010, 0x0010, 1, 0x0010},
    {Family17h(0x30, 0), 0x00000010, 0x0001, 1, 0x0001},
    // Family 17h, models 7xh
    {Family17h(0x71, 0), 0x00000004, 0x0010, 1, 0x0010},
    {Family17h(0x70, 0), 0x00000004, 0x0001, 1, 0x0001},
    // No revision row: the first row of the family's table
    {Family17h(0x72, 1), 0x00000004, 0x0010, 1, 0x0010},
    {Family17h(0x3F, 0xF), 0x00000010, 0x0010, 1, 0x0010},
    {Family17h(0x30, 1), 0x00000010, 0x0010, 1, 0x0010},
    // Family sum 0x10 + 7 is 0x17 too
    {Signature(0x10, 0x7, 0x30, 0), 0x00000010, 0x0001, 1, 0x0001},
};

const UINT32 Misses[] = {
    Family19h(0x61, 2),  // what this deliverable's driver main accepts
    Family19h(0x60, 0),
    Family19h(0x6F, 0xF),
    Family19h(0x75, 2),
    Family17h(0x21, 0),
    0x00000000,  // the end row's family and model must never match
    0xFFFFFFFF,
};

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
