// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>
#include <numeric>

#include "common/DriverTest.h"

namespace {

class HelpersTest : public DriverTest {};

TEST_F(HelpersTest, CopyBufferMatchesACopyThroughATemporaryForEveryOverlap) {
  // Source at offset 40 of a 128-byte arena; destinations on both sides of it, lengths
  // that exercise the word loop, the byte tail and the backward byte path.
  for (size_t Dest = 0; Dest <= 80; Dest++) {
    for (size_t Length : {0, 1, 7, 8, 9, 15, 16, 17, 31, 40, 47}) {
      UINT8 Arena[128], Expected[128];
      std::iota(std::begin(Arena), std::end(Arena), 1);
      std::memcpy(Expected, Arena, sizeof(Arena));
      std::memmove(Expected + Dest, Expected + 40, Length);
      VOID *Result = CopyBuffer(Arena + Dest, Arena + 40, Length);
      ASSERT_EQ(Result, Arena + Dest);
      ASSERT_EQ(0, std::memcmp(Arena, Expected, sizeof(Arena))) << "dest " << Dest << " length " << Length;
    }
  }
}

TEST_F(HelpersTest, ZeroBufferOf27BytesWritesNothingPastTheEnd) {
  UINT8 Bytes[40];
  std::memset(Bytes, 0xCC, sizeof(Bytes));
  EXPECT_EQ(ZeroBuffer(Bytes + 1, 27), Bytes + 1);  // unaligned start on purpose
  EXPECT_EQ(Bytes[0], 0xCC);
  for (int I = 1; I <= 27; I++) EXPECT_EQ(Bytes[I], 0) << I;
  for (int I = 28; I < 40; I++) EXPECT_EQ(Bytes[I], 0xCC) << I;
}

TEST_F(HelpersTest, ReadCpuidPassesTheLeafInEcxAndSkipsNullOutputs) {
  Machine.Cpuid[0x80000001U] = {0x00A70F52, 0x10000000, 0x11, 0x22};
  UINT32 Eax = 0, Edx = 0;
  EXPECT_EQ(ReadCpuid(0x80000001U, &Eax, nullptr, nullptr, &Edx), 0x80000001U);
  EXPECT_EQ(Eax, 0x00A70F52U);
  EXPECT_EQ(Edx, 0x22U);
  ASSERT_EQ(Machine.CpuidCalls.size(), 1U);
  EXPECT_EQ(Machine.CpuidCalls[0].SubLeaf, 0x80000001U);
}

constexpr EFI_GUID kGuidA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr EFI_GUID kGuidB = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};  // differs in the high half

TEST_F(HelpersTest, LookupConfigurationTable) {
  BindSystemTable();
  int First = 0, Second = 0, Other = 0;
  VOID *Table = &First;

  EXPECT_EQ(LookupConfigurationTable(&kGuidA, &Table), EFI_NOT_FOUND);
  EXPECT_EQ(Table, nullptr) << "empty table must still clear the out-pointer";

  Fw.AddConfigurationTable(kGuidB, &Other);
  Table = &First;
  EXPECT_EQ(LookupConfigurationTable(&kGuidA, &Table), EFI_NOT_FOUND);
  EXPECT_EQ(Table, nullptr);

  Fw.AddConfigurationTable(kGuidA, &First);
  Fw.AddConfigurationTable(kGuidA, &Second);
  EXPECT_EQ(LookupConfigurationTable(&kGuidA, &Table), EFI_SUCCESS);
  EXPECT_EQ(Table, &First) << "the lower-numbered of two equal entries wins";
  EXPECT_EQ(LookupConfigurationTable(&kGuidB, &Table), EFI_SUCCESS);
  EXPECT_EQ(Table, &Other);
}

TEST_F(HelpersTest, GetHobListRetriesAFailedLookupAndThenKeepsItsAnswer) {
  BindSystemTable();
  sim::HobBuilder First, Second;
  First.End();
  Second.End();
  EXPECT_EQ(GetHobList(), nullptr);
  EXPECT_EQ(gHobList, nullptr);
  Fw.AddConfigurationTable(gEfiHobListGuid, First.Start());
  EXPECT_EQ(GetHobList(), First.Start());
  // Once found it is never looked up again, even if the table changes.
  Fw.BootServices()->InstallConfigurationTable(&gEfiHobListGuid, Second.Start());
  EXPECT_EQ(GetHobList(), First.Start());
}

TEST_F(HelpersTest, FindNextGuidHobWalksByLength) {
  sim::HobBuilder Hobs;
  Hobs.Other(EFI_HOB_TYPE_MEMORY_ALLOCATION, 48)
      .Guid(kGuidB, {1, 2, 3})
      .Guid(kGuidA, {4, 5, 6, 7, 8, 9, 10, 11, 12})
      .Guid(kGuidA, {})
      .End();
  const auto &At = Hobs.Offsets();
  EXPECT_EQ(FindNextGuidHob(&kGuidA, Hobs.Start()), Hobs.At(At[2])) << "returns the HOB, not its data";
  auto *Next = static_cast<UINT8 *>(FindNextGuidHob(&kGuidA, Hobs.At(At[2]) + 40));
  EXPECT_EQ(Next, Hobs.At(At[3]));
  EXPECT_EQ(FindNextGuidHob(&kGuidA, Hobs.At(At[3]) + 24), nullptr);
  EXPECT_EQ(FindNextGuidHob(&kGuidB, Hobs.Start()), Hobs.At(At[1]));
}

TEST_F(HelpersTest, FindNextGuidHobStopsAtMalformedLengths) {
  struct Case {
    const char *Name;
    UINT16 BadLength;
  };
  // Each bad length points exactly at a well-formed HOB of the name looked for.
  for (const Case &C : {Case{"zero length", 0}, Case{"shorter than a header", 7}, Case{"half a header", 4}}) {
    sim::HobBuilder Hobs;
    Hobs.Guid(kGuidB, {1, 2, 3, 4}).Raw({EFI_HOB_TYPE_RESOURCE_DESCRIPTOR, 0, UINT8(C.BadLength), 0});
    Hobs.Raw(std::vector<UINT8>(C.BadLength > 4 ? C.BadLength - 4 : 0, 0xA5)).Guid(kGuidA, {1}).End();
    EXPECT_EQ(FindNextGuidHob(&kGuidA, Hobs.Start()), nullptr) << C.Name;
  }
  // A GUID HOB too short for its name is stepped over, not matched, though the 16 bytes
  // after its header spell the name; its length lands on the end of the list inside them.
  constexpr EFI_GUID kSpelled = {0x12345678, 0x9ABC, 0xDEF0, {0xFF, 0xFF, 0x08, 0, 0, 0, 0, 0}};
  sim::HobBuilder Short;
  Short.Guid(kSpelled, {}, 16);
  EXPECT_EQ(FindNextGuidHob(&kSpelled, Short.Start()), nullptr);

  EXPECT_EQ(FindNextGuidHob(&kGuidA, sim::HobBuilder().End().Start()), nullptr);
  EXPECT_EQ(FindNextGuidHob(&kGuidA, nullptr), nullptr);
}

TEST_F(HelpersTest, GetPcdProtocolFindsTheProtocolOnceItExists) {
  BindSystemTable();
  EXPECT_EQ(GetPcdProtocol(), nullptr);
  EXPECT_EQ(GetPcdProtocol(), nullptr);
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), 2U) << "a failed lookup is retried";
  sim::PcdModel Pcd;
  Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
  EXPECT_EQ(GetPcdProtocol(), Pcd.Protocol());
  EXPECT_EQ(GetPcdProtocol(), Pcd.Protocol());
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), 3U) << "a found protocol is cached";
}

TEST_F(HelpersTest, AllocateBootPoolUsesBootServicesDataAndIgnoresWhatAFailureLeaves) {
  BindSystemTable();
  VOID *Buffer = AllocateBootPool(100);
  ASSERT_NE(Buffer, nullptr);
  ASSERT_NE(Fw.BlockOf(Buffer), nullptr);
  EXPECT_EQ(Fw.BlockOf(Buffer)->Type, EfiBootServicesData);
  EXPECT_EQ(Fw.BlockOf(Buffer)->Size, 100U);
  Fw.FailCall(sim::BootService::AllocatePool, 2, EFI_OUT_OF_RESOURCES);  // leaves a bogus pointer behind
  EXPECT_EQ(AllocateBootPool(8), nullptr);
}

}  // namespace
