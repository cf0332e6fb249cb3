// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>
#include <numeric>

#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "heap/HeapMigration.h"
#include "tests/common/HeapHobModel.h"

#include <Protocol/HeapList.h>

namespace {

constexpr EFI_GUID kOtherGuid = {0xD97D161A, 0x16CD, 0x4ADA, {0xB9, 0xF6, 0xAE, 0xC3, 0xF9, 0xFC, 0xCC, 0x2D}};

std::vector<UINT8> Pattern(size_t Size, UINT8 Seed) {
  std::vector<UINT8> Out(Size);
  std::iota(Out.begin(), Out.end(), Seed);
  return Out;
}

class HeapListTest : public DriverTest {
 protected:
  // Start-up step 1 and a HOB list in the configuration table, then step 4 alone.
  void Migrate(bool WithHobList = true) {
    BindSystemTable();
    if (WithHobList) Fw.AddConfigurationTable(gEfiHobListGuid, Hobs.Start());
    MigrateHeapHobs();
  }

  // The nodes from the head, by ForwardLink or (Backward) by BackLink.
  static std::vector<HEAP_NODE *> Walk(LIST_ENTRY *Head, bool Backward = false) {
    std::vector<HEAP_NODE *> Out;
    for (LIST_ENTRY *L = Backward ? Head->BackLink : Head->ForwardLink; L != Head && Out.size() < 64;
         L = Backward ? L->BackLink : L->ForwardLink) {
      Out.push_back(reinterpret_cast<HEAP_NODE *>(L));
    }
    return Out;
  }
  // The node's data as bytes, with the allocation's size checked against DataSize + 32.
  std::vector<UINT8> DataOf(HEAP_NODE *Node) {
    const sim::PoolBlock *Block = Fw.BlockOf(Node);
    EXPECT_NE(Block, nullptr) << "node is not a pool block";
    if (Block == nullptr) return {};
    EXPECT_EQ(Block->Size, 32 + UINTN{Node->Header.DataSize});
    return std::vector<UINT8>(HEAP_NODE_DATA(Node), HEAP_NODE_DATA(Node) + Node->Header.DataSize);
  }
  // Fresh driver state bound to Local, whose HOB list is List: one table case.
  void Rebind(sim::Firmware &Local, sim::HobBuilder &List) {
    ResetDriverGlobals();
    Local.AddConfigurationTable(gEfiHobListGuid, List.Start());
    gSystemTable = Local.SystemTable();
    gBootServices = Local.BootServices();
  }
  void ExpectPublishedOnce() {
    const auto Handles = Fw.HandlesWith(gHeapListProtocolGuid);
    ASSERT_EQ(Handles.size(), 1U);
    EXPECT_NE(Handles[0], Fw.ImageHandle()) << "installed on a new handle";
    const auto On = Fw.ProtocolsOn(Handles[0]);
    ASSERT_EQ(On.size(), 1U);
    EXPECT_EQ(On[0].second, &gHeapListProtocol);
    EXPECT_EQ(gHeapListProtocol.Revision, 1U);
    EXPECT_EQ(gHeapListHead, &gHeapListProtocol.HeapList);
  }

  sim::HobBuilder Hobs;
};

TEST_F(HeapListTest, WithoutHeapHobsAnEmptyListIsPublished) {
  Hobs.Other(EFI_HOB_TYPE_HANDOFF, 56).Guid(kOtherGuid, sim::HeapHobData(8, 0, 1, Pattern(8, 1))).End();
  Migrate();
  ExpectPublishedOnce();
  EXPECT_EQ(gHeapListProtocol.HeapList.ForwardLink, &gHeapListProtocol.HeapList);
  EXPECT_EQ(gHeapListProtocol.HeapList.BackLink, &gHeapListProtocol.HeapList);
  EXPECT_EQ(CallTrace(), (std::vector{Call("LocateProtocol", gHeapListProtocolGuid),
                                      Call("InstallProtocolInterface", gHeapListProtocolGuid)}));
}

TEST_F(HeapListTest, WithoutAHobListNothingIsWalkedAndTheEmptyListIsPublished) {
  Migrate(/*WithHobList=*/false);
  ExpectPublishedOnce();
  EXPECT_TRUE(Walk(gHeapListHead).empty());
  EXPECT_EQ(Fw.CallCount(sim::BootService::AllocatePool), 0U);
}

// Nodes in HOB order with their data and exact header bytes (offsets 4-7 and 14-15
// included), from the pool PoolSelector names; DataSize 0 gives a 32-byte node. The HOBs
// carry slack after their data, which is not copied.
TEST_F(HeapListTest, EligibleHobsBecomeNodesInHobOrder) {
  const auto A = Pattern(5, 0x10), B = Pattern(24, 0x40), C = Pattern(13, 0x80);
  const auto BHob = sim::HeapHobData(24, 8, 1, B, 0x50414548U, 0xA1B2C3D4, 0xE5F6);
  auto Slack = sim::HeapHobData(5, 0, 1, A);
  Slack.insert(Slack.end(), 11, 0xEE);
  Hobs.Guid(gHeapHobGuid, Slack)
      .Other(EFI_HOB_TYPE_RESOURCE_DESCRIPTOR, 48)
      .Guid(gHeapHobGuid, BHob)
      .Guid(kOtherGuid, sim::HeapHobData(4, 0, 1, Pattern(4, 0)))
      .Guid(gHeapHobGuid, sim::HeapHobData(13, 9, 1, C))
      .Guid(gHeapHobGuid, sim::HeapHobData(0, 0, 1, {}))
      .End();
  Migrate();
  ExpectPublishedOnce();
  const auto Nodes = Walk(gHeapListHead);
  ASSERT_EQ(Nodes.size(), 4U);
  EXPECT_EQ(model::HeapHobsThatMigrate(static_cast<const UINT8 *>(Hobs.Start()), nullptr, 0), 4U);
  EXPECT_EQ(DataOf(Nodes[0]), A);
  EXPECT_EQ(DataOf(Nodes[1]), B);
  EXPECT_EQ(DataOf(Nodes[2]), C);
  EXPECT_TRUE(DataOf(Nodes[3]).empty());
  EXPECT_EQ(0, std::memcmp(&Nodes[1]->Header, BHob.data(), 16));
  const EFI_MEMORY_TYPE Types[] = {EfiBootServicesData, EfiRuntimeServicesData, EfiBootServicesData, EfiBootServicesData};
  for (size_t I = 0; I < 4; I++) EXPECT_EQ(Fw.BlockOf(Nodes[I])->Type, Types[I]) << I;
  EXPECT_EQ(Walk(gHeapListHead, /*Backward=*/true), (std::vector{Nodes[3], Nodes[2], Nodes[1], Nodes[0]}));
  // Every node's BackLink names its predecessor, so the list is sound both ways.
  EXPECT_EQ(Nodes[0]->Link.BackLink, gHeapListHead);
  EXPECT_EQ(Nodes[3]->Link.ForwardLink, gHeapListHead);
  EXPECT_EQ(Fw.CallCount(sim::BootService::AllocatePool), 4U);
}

TEST_F(HeapListTest, HobsThatAreNotEligibleGetNoNode) {
  struct Case {
    const char *Name;
    UINT32 Signature;
    UINT8 MigrateFlag;
    UINT16 HobType = EFI_HOB_TYPE_GUID_EXTENSION;
  } const Cases[] = {
      {"signature HEAQ", 0x51414548, 1},
      {"signature heap", 0x70616568, 1},
      {"MigrateFlag 0", 0x50414548, 0},
      {"MigrateFlag 2", 0x50414548, 2},
      {"MigrateFlag 0x81", 0x50414548, 0x81},
      // Where a GUID HOB keeps its name, this one's bytes spell the "HEAP" GUID.
      {"memory allocation HOB", 0x50414548, 1, EFI_HOB_TYPE_MEMORY_ALLOCATION},
  };
  for (const auto &C : Cases) {
    SCOPED_TRACE(C.Name);
    sim::HobBuilder List;
    List.Guid(gHeapHobGuid, sim::HeapHobData(8, 0, C.MigrateFlag, Pattern(8, 1), C.Signature))
        .Guid(gHeapHobGuid, sim::HeapHobData(3, 0, 1, Pattern(3, 7)))
        .End();
    std::memcpy(List.At(0), &C.HobType, sizeof(C.HobType));
    sim::Firmware Local;
    Rebind(Local, List);
    MigrateHeapHobs();
    const auto Nodes = Walk(gHeapListHead);
    ASSERT_EQ(Nodes.size(), 1U);
    EXPECT_EQ(model::HeapHobsThatMigrate(static_cast<const UINT8 *>(List.Start()), nullptr, 0), 1U);
    EXPECT_EQ(Nodes[0]->Header.DataSize, 3U);
    EXPECT_EQ(Local.CallCount(sim::BootService::AllocatePool), 1U);
  }
}

TEST_F(HeapListTest, AnInstalledListIsAdoptedWithoutAllocatingOrInstalling) {
  // A NULL interface is adopted too (its head is address 8, never dereferenced here).
  HEAP_LIST_PROTOCOL Earlier = {1, {&Earlier.HeapList, &Earlier.HeapList}};
  for (VOID *Interface : {static_cast<VOID *>(&Earlier), static_cast<VOID *>(nullptr)}) {
    SCOPED_TRACE(Interface ? "interface" : "NULL interface");
    sim::Firmware Local;
    sim::HobBuilder List;
    List.Guid(gHeapHobGuid, sim::HeapHobData(4, 0, 1, Pattern(4, 1))).End();
    Rebind(Local, List);
    Local.Install(gHeapListProtocolGuid, Interface);
    MigrateHeapHobs();
    EXPECT_EQ(reinterpret_cast<UINTN>(gHeapListHead), reinterpret_cast<UINTN>(Interface) + 8);
    EXPECT_EQ(Local.CallNames(), std::vector<std::string>{"LocateProtocol"});
    EXPECT_EQ(Local.InstallCount(gHeapListProtocolGuid), 1U);
    EXPECT_TRUE(Local.Pool().empty());
    EXPECT_EQ(gHeapListProtocol.HeapList.ForwardLink, nullptr) << "own instance stays unpublished";
  }
}

TEST_F(HeapListTest, NodeAllocationFailureSkipsThatHobAndTrapsOnlyWhenArmed) {
  struct Case {
    UINT8 PoolSelector;
    UINT32 Code;
    bool Armed;
  } const Cases[] = {
      {8, 0x00080134U, true},
      {0, 0x00080137U, true},
      {8, 0x00080134U, false},
      {0, 0x00080137U, false},
  };
  for (const auto &C : Cases) {
    SCOPED_TRACE(testing::Message() << "selector " << int(C.PoolSelector) << (C.Armed ? " armed" : " disarmed"));
    Machine.Reset();
    sim::Firmware Local;
    sim::HobBuilder List;
    List.Guid(gHeapHobGuid, sim::HeapHobData(4, 0, 1, Pattern(4, 1)))
        .Guid(gHeapHobGuid, sim::HeapHobData(4, C.PoolSelector, 1, Pattern(4, 2)))
        .Guid(gHeapHobGuid, sim::HeapHobData(4, 0, 1, Pattern(4, 3)))
        .End();
    Rebind(Local, List);
    Local.FailCall(sim::BootService::AllocatePool, 2, EFI_OUT_OF_RESOURCES);
    if (C.Armed) ArmTrapOnSimulator();
    MigrateHeapHobs();

    EXPECT_EQ(Machine.PortWrites(), C.Armed ? TrapWrites(C.Code) : std::vector<sim::PortAccess>{});
    const auto Nodes = Walk(gHeapListHead);
    ASSERT_EQ(Nodes.size(), 2U) << "the failed HOB is left out, the walk goes on";
    EXPECT_EQ(HEAP_NODE_DATA(Nodes[0])[0], 1);
    EXPECT_EQ(HEAP_NODE_DATA(Nodes[1])[0], 3);
    EXPECT_EQ(Local.InstallCount(gHeapListProtocolGuid), 1U);
  }
}

TEST_F(HeapListTest, AllocateHeapNodeLeavesTheOutPointerAloneOnFailure) {
  BindSystemTable();
  gHeapListProtocol.HeapList = {&gHeapListProtocol.HeapList, &gHeapListProtocol.HeapList};
  gHeapListHead = &gHeapListProtocol.HeapList;
  const auto Bytes = sim::HeapHobData(4, 8, 1, Pattern(4, 1));
  HEAP_HOB_HEADER Header;
  std::memcpy(&Header, Bytes.data(), sizeof(Header));
  HEAP_NODE Sentinel{};
  HEAP_NODE *Node = &Sentinel;
  Fw.FailCall(sim::BootService::AllocatePool, 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(AllocateHeapNode(&Header, &Node), EFI_UNSUPPORTED);
  // DataSize + 32 in UINTN is more than the pool gives; in 32 bits it would wrap to 16.
  Header.DataSize = 0xFFFFFFF0U;
  EXPECT_EQ(AllocateHeapNode(&Header, &Node), EFI_UNSUPPORTED);
  EXPECT_EQ(Node, &Sentinel);
  EXPECT_TRUE(Walk(gHeapListHead).empty());
}

TEST_F(HeapListTest, InstallFailureTrapsOnlyWhenArmed) {
  // Anything but EFI_SUCCESS counts, a warning too.
  for (const auto &[Armed, Answer] : {std::pair{true, EFI_OUT_OF_RESOURCES}, {false, EFI_OUT_OF_RESOURCES}, {true, 1ULL}}) {
    SCOPED_TRACE(testing::Message() << (Armed ? "armed " : "disarmed ") << Answer);
    Machine.Reset();
    sim::Firmware Local;
    sim::HobBuilder List;
    List.Guid(gHeapHobGuid, sim::HeapHobData(4, 0, 1, Pattern(4, 1))).End();
    Rebind(Local, List);
    Local.FailInstallOf(gHeapListProtocolGuid, Answer);
    if (Armed) ArmTrapOnSimulator();
    MigrateHeapHobs();
    EXPECT_EQ(Machine.PortWrites(), Armed ? TrapWrites(0x00080225U) : std::vector<sim::PortAccess>{});
    EXPECT_EQ(Local.InstallCount(gHeapListProtocolGuid), 0U);
    EXPECT_EQ(Walk(gHeapListHead).size(), 1U) << "nodes already linked stay linked";
  }
}

TEST_F(HeapListTest, AHobWhoseDataRunsPastItsLengthIsNotMigrated) {
  // A tight buffer, so that a copy past the HOB would leave the allocation (ASan).
  auto Hob = [](UINT16 Length, UINT32 DataSize, size_t Carried, UINT8 Seed) {
    std::vector<UINT8> Out(Length, 0);
    const EFI_HOB_GENERIC_HEADER Generic{EFI_HOB_TYPE_GUID_EXTENSION, Length, 0};
    std::memcpy(Out.data(), &Generic, 8);
    std::memcpy(Out.data() + 8, &gHeapHobGuid, 16);
    const auto Data = sim::HeapHobData(DataSize, 0, 1, Pattern(Carried, Seed));
    std::memcpy(Out.data() + 24, Data.data(), std::min<size_t>(Data.size(), Length - 24));
    return Out;
  };
  std::vector<UINT8> List;
  for (const auto &Part : {Hob(48, 9, 8, 0x10),       // one byte past the HOB
                           Hob(48, 8, 8, 0x20),       // exactly fills it
                           Hob(40, 0x10000, 0, 0),    // far past it
                           Hob(32, 0, 0, 0)}) {       // not even the header fits
    List.insert(List.end(), Part.begin(), Part.end());
  }
  // What the last, short HOB's header would overlap looks eligible: MigrateFlag 1.
  List.insert(List.end(), {EFI_HOB_TYPE_RESOURCE_DESCRIPTOR, 0, 16, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const EFI_HOB_GENERIC_HEADER End{EFI_HOB_TYPE_END_OF_HOB_LIST, 8, 0};
  List.insert(List.end(), reinterpret_cast<const UINT8 *>(&End), reinterpret_cast<const UINT8 *>(&End) + 8);
  auto Storage = std::make_unique<UINT64[]>(List.size() / 8);
  std::memcpy(Storage.get(), List.data(), List.size());

  BindSystemTable();
  Fw.AddConfigurationTable(gEfiHobListGuid, Storage.get());
  MigrateHeapHobs();
  const auto Nodes = Walk(gHeapListHead);
  ASSERT_EQ(Nodes.size(), 1U);
  EXPECT_EQ(DataOf(Nodes[0]), Pattern(8, 0x20));
  EXPECT_EQ(Fw.CallCount(sim::BootService::AllocatePool), 1U);
  ExpectPublishedOnce();
}

// The PHIT's EfiEndOfHobList bounds the walk: a HOB past it, reached by a length that skips
// the end-of-list HOB or sitting where that HOB should be, is never migrated.
TEST_F(HeapListTest, TheWalkEndsWhereThePhitSaysTheListEnds) {
  for (const bool EndHobMissing : {false, true}) {
    SCOPED_TRACE(EndHobMissing ? "a HEAP HOB where the end HOB belongs" : "a length that skips the end HOB");
    sim::HobBuilder List;
    List.Other(EFI_HOB_TYPE_HANDOFF, 56).Guid(gHeapHobGuid, sim::HeapHobData(8, 0, 1, Pattern(8, 1)));
    if (!EndHobMissing) List.Other(EFI_HOB_TYPE_RESOURCE_DESCRIPTOR, 16);
    const size_t EndAt = List.Size();
    if (!EndHobMissing) {
      List.End();
      const UINT16 Skip = 16 + 8;
      std::memcpy(List.At(EndAt - 16 + 2), &Skip, 2);
    }
    List.Guid(gHeapHobGuid, sim::HeapHobData(8, 0, 1, Pattern(8, 2))).End();
    const UINT64 EndHob = reinterpret_cast<UINTN>(List.At(EndAt));
    std::memcpy(List.At(48), &EndHob, 8);
    sim::Firmware Local;
    Rebind(Local, List);
    MigrateHeapHobs();
    const auto Nodes = Walk(gHeapListHead);
    ASSERT_EQ(Nodes.size(), 1U);
    EXPECT_EQ(std::vector<UINT8>(HEAP_NODE_DATA(Nodes[0]), HEAP_NODE_DATA(Nodes[0]) + 8), Pattern(8, 1));
  }
}

}  // namespace
