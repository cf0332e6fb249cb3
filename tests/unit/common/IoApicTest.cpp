// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>

#include "common/DriverTest.h"
#include "ioapic/IoApic.h"

namespace {

constexpr UINT64 kApic0 = 0xFEC00000;
constexpr UINT64 kApic1 = 0xFEC01000;

class IoApicTest : public DriverTest {
 protected:
  IoApicTest() {
    BindSystemTable();
    Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
  }
  unsigned TableLookups() const {
    unsigned N = 0;
    for (const auto &C : Fw.Calls()) N += (C.Service == sim::BootService::LocateProtocol && C.Guid == gInterruptTableProtocolGuid);
    return N;
  }
  sim::PcdModel Pcd;
};

TEST_F(IoApicTest, RewritesTheMatchingRowAndClearsTheBytesAboveTheIdentifier) {
  sim::InterruptTables T(3, 0);
  T.SetIoApic(0, kApic1, 0x00000004);
  T.SetIoApic(1, kApic0, 0xAABBCC05);
  T.SetIoApic(2, 0x1FEC00000ULL, 0x07);  // high address bits set: a different I/O APIC
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  auto Expected = T.IoApicBytes();
  const UINT8 NewId[4] = {0x21, 0, 0, 0};
  std::memcpy(&Expected[28 + 24], NewId, 4);

  SetIoApicId(0x21, kApic0);
  EXPECT_EQ(T.IoApicBytes(), Expected) << "only row 1's ApicId changes";
  EXPECT_EQ(T.ApicId(1), 0x21U);
}

TEST_F(IoApicTest, RoutingItemsFollowTheFormerIdentifierWithinInputs24To55) {
  struct Item {
    UINT8 Input, Id;
    bool Retargeted;
  } const Items[] = {
      {24, 5, true},  {55, 5, true},  {40, 5, true},   {23, 5, false}, {56, 5, false},
      {0, 5, false},  {255, 5, false}, {30, 6, false}, {30, 1, false}, {31, 5, true},
      {24, 9, false}, {55, 5, true},
  };
  constexpr size_t kRows = 3;  // four items a row
  sim::InterruptTables T(1, kRows);
  T.SetIoApic(0, kApic0, 5);
  for (size_t I = 0; I < std::size(Items); I++) T.SetItem(I / 4, I % 4, Items[I].Input, Items[I].Id);
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  auto Expected = T.RoutingBytes();
  for (size_t I = 0; I < std::size(Items); I++) {
    if (Items[I].Retargeted) Expected[74 + 345 * (I / 4) + 2 * (I % 4)] = 0x33;
  }

  SetIoApicId(0x33, kApic0);
  EXPECT_EQ(T.RoutingBytes(), Expected);
  for (size_t I = 0; I < std::size(Items); I++) {
    EXPECT_EQ(T.ItemApicId(I / 4, I % 4), Items[I].Retargeted ? 0x33 : Items[I].Id)
        << "input " << int(Items[I].Input) << " id " << int(Items[I].Id);
  }
}

TEST_F(IoApicTest, DuplicateRowsAllTakeTheIdentifierAndTheLastOneNamesTheFormer) {
  sim::InterruptTables T(2, 1);
  T.SetIoApic(0, kApic0, 5);
  T.SetIoApic(1, kApic0, 6);
  T.SetItem(0, 0, 30, 5);
  T.SetItem(0, 1, 30, 6);
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  SetIoApicId(0x40, kApic0);
  EXPECT_EQ(T.ApicId(0), 0x40U);
  EXPECT_EQ(T.ApicId(1), 0x40U);
  EXPECT_EQ(T.ItemApicId(0, 0), 5) << "OldId is the last matching row's";
  EXPECT_EQ(T.ItemApicId(0, 1), 0x40);
}

TEST_F(IoApicTest, WithoutAMatchingRowItemsHoldingIdentifierOneAreRetargeted) {
  sim::InterruptTables T(1, 1);
  T.SetIoApic(0, 0x1FEC00000ULL, 1);
  T.SetItem(0, 0, 30, 1);
  T.SetItem(0, 1, 23, 1);
  T.SetItem(0, 2, 30, 2);
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  const auto IoApicBefore = T.IoApicBytes();
  SetIoApicId(0x12, kApic0);
  EXPECT_EQ(T.IoApicBytes(), IoApicBefore);
  EXPECT_EQ(T.ItemApicId(0, 0), 0x12);
  EXPECT_EQ(T.ItemApicId(0, 1), 1);
  EXPECT_EQ(T.ItemApicId(0, 2), 2);
}

TEST_F(IoApicTest, CountsBoundTheWalksAndMissingTablesAreSkipped) {
  sim::InterruptTables T(2, 2);
  T.SetIoApic(0, kApic0, 5);
  T.SetIoApic(1, kApic0, 6);
  T.SetItem(0, 0, 30, 5);
  T.SetItem(1, 0, 30, 5);
  T.SetIoApicCount(1);
  T.SetRoutingCount(1);
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  SetIoApicId(0x50, kApic0);
  EXPECT_EQ(T.ApicId(1), 6U) << "row beyond IoApicCount";
  EXPECT_EQ(T.ItemApicId(0, 0), 0x50);
  EXPECT_EQ(T.ItemApicId(1, 0), 5) << "row beyond RoutingCount";

  sim::InterruptTables Empty(1, 1);
  Empty.SetIoApic(0, kApic0, 5);
  Empty.SetItem(0, 0, 30, 5);
  Empty.SetIoApicCount(0);
  Empty.SetRoutingCount(0);
  const auto IoApicBefore = Empty.IoApicBytes();
  const auto RoutingBefore = Empty.RoutingBytes();
  sim::Firmware Other;
  gBootServices = Other.BootServices();
  Other.Install(gInterruptTableProtocolGuid, Empty.Interface());
  SetIoApicId(0x50, kApic0);
  EXPECT_EQ(Empty.IoApicBytes(), IoApicBefore);
  EXPECT_EQ(Empty.RoutingBytes(), RoutingBefore);

  // An interface without tables: nothing is dereferenced, the other table still works.
  Empty.SetIoApicCount(1);
  Empty.SetRoutingCount(1);
  Empty.DropIoApicTable();
  SetIoApicId(0x51, kApic0);
  EXPECT_EQ(Empty.ItemApicId(0, 0), 5) << "no row matched: OldId 1";
  Empty.DropRoutingTable();
  SetIoApicId(0x52, kApic0);
  EXPECT_EQ(Empty.ItemApicId(0, 0), 5);
}

TEST_F(IoApicTest, UsesTheFirstInstanceAndLocatesItOnEveryCall) {
  sim::InterruptTables First(1, 0), Second(1, 0);
  First.SetIoApic(0, kApic0, 5);
  Second.SetIoApic(0, kApic0, 5);
  SetIoApicId(0x10, kApic0);  // nothing installed yet
  EXPECT_EQ(TableLookups(), 1U);
  Fw.Install(gInterruptTableProtocolGuid, First.Interface());
  Fw.Install(gInterruptTableProtocolGuid, Second.Interface());
  SetIoApicId(0x10, kApic0);
  EXPECT_EQ(First.ApicId(0), 0x10U);
  EXPECT_EQ(Second.ApicId(0), 5U);
  EXPECT_EQ(TableLookups(), 2U);

  Fw.FailCall(sim::BootService::LocateProtocol, Fw.CallCount(sim::BootService::LocateProtocol) + 1, EFI_DEVICE_ERROR);
  SetIoApicId(0x11, kApic0);
  EXPECT_EQ(First.ApicId(0), 0x10U) << "a failed lookup changes nothing";
}

TEST_F(IoApicTest, FixupReadsToken150ThenToken152AndTheFirstCallFeedsTheSecond) {
  sim::InterruptTables T(2, 1);
  T.SetIoApic(0, kApic0, 2);
  T.SetIoApic(1, kApic1, 3);
  T.SetItem(0, 0, 30, 2);  // follows I/O APIC 0 to 3, then I/O APIC 1 to 9
  T.SetItem(0, 1, 31, 3);  // follows I/O APIC 1 to 9
  T.SetItem(0, 2, 60, 2);  // outside the range on both calls
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());
  Pcd.Tokens[150] = 3;
  Pcd.Tokens[152] = 9;
  IoApicIdFixup(nullptr, nullptr);
  EXPECT_EQ(Pcd.Reads, (std::vector<sim::PcdModel::Read>{{"Get8", 150}, {"Get8", 152}}));
  EXPECT_EQ(T.ApicId(0), 3U);
  EXPECT_EQ(T.ApicId(1), 9U);
  EXPECT_EQ(T.ItemApicId(0, 0), 9);
  EXPECT_EQ(T.ItemApicId(0, 1), 9);
  EXPECT_EQ(T.ItemApicId(0, 2), 2);

  // A second run with the same tokens finds nothing left to change.
  const auto IoApicAfter = T.IoApicBytes();
  const auto RoutingAfter = T.RoutingBytes();
  IoApicIdFixup(nullptr, nullptr);
  EXPECT_EQ(T.IoApicBytes(), IoApicAfter);
  EXPECT_EQ(T.RoutingBytes(), RoutingAfter);
  EXPECT_EQ(TableLookups(), 4U);
}

TEST_F(IoApicTest, WithoutThePcdProtocolTheFixupDoesNothing) {
  sim::Firmware NoPcd;
  gBootServices = NoPcd.BootServices();
  sim::InterruptTables T(1, 1);
  T.SetIoApic(0, kApic0, 1);
  T.SetItem(0, 0, 30, 1);
  NoPcd.Install(gInterruptTableProtocolGuid, T.Interface());
  const auto IoApicBefore = T.IoApicBytes();
  const auto RoutingBefore = T.RoutingBytes();
  IoApicIdFixup(nullptr, nullptr);
  EXPECT_EQ(T.IoApicBytes(), IoApicBefore);
  EXPECT_EQ(T.RoutingBytes(), RoutingBefore);
  EXPECT_EQ(CallTrace().size(), 0U) << "fixture firmware untouched";
  for (const auto &C : NoPcd.Calls()) EXPECT_NE(C.Guid, gInterruptTableProtocolGuid);
}

TEST_F(IoApicTest, TheNotificationAppliesTheIdentifiersWhenTheProtocolArrivesLater) {
  ResetDriverGlobals();
  Pcd.Tokens[150] = 0x0A;
  Pcd.Tokens[152] = 0x0B;
  ASSERT_EQ(DriverEntry(Fw.ImageHandle(), Fw.SystemTable()), EFI_SUCCESS);
  // The start-up signal already ran the fix-up once, with no tables to change.
  const std::vector<sim::PcdModel::Read> OneRun = {{"Get8", 150}, {"Get8", 152}};
  std::vector<sim::PcdModel::Read> FixupReads;
  for (const auto &R : Pcd.Reads) {
    if (R.Token == 150 || R.Token == 152) FixupReads.push_back(R);
  }
  EXPECT_EQ(FixupReads, OneRun);

  sim::InterruptTables T(2, 1);
  T.SetIoApic(0, kApic0, 1);
  T.SetIoApic(1, kApic1, 2);
  T.SetItem(0, 0, 24, 1);
  T.SetItem(0, 1, 55, 2);
  EXPECT_EQ(T.ApicId(0), 1U);
  Fw.Install(gInterruptTableProtocolGuid, T.Interface());  // signals the registered event
  EXPECT_EQ(T.ApicId(0), 0x0AU);
  EXPECT_EQ(T.ApicId(1), 0x0BU);
  EXPECT_EQ(T.ItemApicId(0, 0), 0x0A);
  EXPECT_EQ(T.ItemApicId(0, 1), 0x0B);
  EXPECT_EQ(Fw.CurrentTpl(), static_cast<EFI_TPL>(TPL_APPLICATION));
  EXPECT_TRUE(Fw.Unsupported().empty());
}

}  // namespace
