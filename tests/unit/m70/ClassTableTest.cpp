#include "ClassLookup.h"
#include "common/ClassCases.h"

namespace {

using namespace classcase;

class ClassTableM70Test : public DriverTest {};

// Every revision row of every family row, the defaults, and the family sum.
const Hit Hits[] = {
    // Family 19h, models 7xh
    {Family19h(0x75, 2), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x7C, 0), 0x00002000, 0x0100, 3, 0x0100},
    {Family19h(0x78, 0), 0x00002000, 0x0004, 3, 0x0100},
    {Family19h(0x74, 2), 0x00002000, 0x0008, 3, 0x0400},
    {Family19h(0x74, 1), 0x00002000, 0x0002, 3, 0x0200},
    {Family19h(0x74, 0), 0x00002000, 0x0001, 3, 0x0100},
    {Family19h(0x70, 0), 0x00002000, 0x0001, 3, 0x0100},
    // Family 19h, models 6xh
    {Family19h(0x61, 2), 0x00004000, 0x0020, 3, 0x2000},
    {Family19h(0x61, 1), 0x00004000, 0x0010, 3, 0x1000},
    {Family19h(0x61, 0), 0x00004000, 0x0010, 3, 0x1000},
    {Family19h(0x60, 1), 0x00004000, 0x0001, 3, 0x0100},
    {Family19h(0x60, 0), 0x00004000, 0x0001, 3, 0x0100},
    // Family 19h, models 1xh
    {Family19h(0x11, 2), 0x00001000, 0x0040, 3, 0x4000},
    {Family19h(0x11, 1), 0x00001000, 0x0020, 3, 0x2000},
    {Family19h(0x11, 0), 0x00001000, 0x0010, 3, 0x1000},
    {Family19h(0x10, 0xB), 0x00001000, 0x0004, 3, 0x1000},
    {Family19h(0x10, 1), 0x00001000, 0x0002, 3, 0x0100},
    {Family19h(0x10, 0), 0x00001000, 0x0001, 3, 0x0100},
    {Family19h(0x18, 1), 0x00001000, 0x0200, 3, 0x2000},
    {Family19h(0x18, 0), 0x00001000, 0x0100, 3, 0x1000},
    // Family 19h, models Axh, 8xh, 9xh
    {Family19h(0xA0, 1), 0x00008000, 0x0002, 3, 0x0200},
    {Family19h(0xA0, 0), 0x00008000, 0x0001, 3, 0x0100},
    {Family19h(0x80, 0), 0x00010000, 0x0001, 3, 0x0100},
    {Family19h(0x90, 1), 0x00040000, 0x0002, 3, 0x4000},
    {Family19h(0x90, 0), 0x00040000, 0x0001, 3, 0x2000},
    // No revision row: the first row of the family's table
    {Family19h(0x71, 0), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x75, 3), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x6F, 0xF), 0x00004000, 0x0020, 3, 0x2000},
    {Family19h(0x12, 0), 0x00001000, 0x0040, 3, 0x4000},
    {Family19h(0xAF, 3), 0x00008000, 0x0002, 3, 0x0200},
    {Family19h(0x85, 1), 0x00010000, 0x0001, 3, 0x0100},
    {Family19h(0x9C, 0), 0x00040000, 0x0002, 3, 0x4000},
    // Family sum 0x10 + 9 and 0xB + 0xE are 0x19 too
    {Signature(0x10, 0x9, 0x70, 0), 0x00002000, 0x0001, 3, 0x0100},
    {Signature(0x0B, 0xE, 0x75, 2), 0x00002000, 0x0080, 3, 0x0400},
    // Bits 31:28 and 15:12 take no part
    {Family19h(0x75, 2) | 0xF000F000U, 0x00002000, 0x0080, 3, 0x0400},
};

const UINT32 Misses[] = {
    Family19h(0x21, 0),     // extended model 2: no row
    Family19h(0xF5, 2),     // extended model F
    Family17h(0x71, 0),     // family 17h
    Family17h(0x30, 0),
    Signature(0xA, 0xE, 0x75, 2),  // family 18h
    0x00000000,             // the end row's family and model must never match
    0xFFFFFFFF,             // what an absent data register reads
};

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
