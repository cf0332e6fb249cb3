// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>

#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "debug/IdsHook.h"

namespace {

struct HookCall {
  UINT32 HookId;
  VOID *Arg1, *Arg2;
  size_t MessagesBefore;
};
std::vector<HookCall> gHookCalls;
sim::DebugPrintModel *gHookPrinter = nullptr;

template <UINT32 Status>
UINT32 EFIAPI Hook(UINT32 HookId, VOID *Arg1, VOID *Arg2) {
  gHookCalls.push_back({HookId, Arg1, Arg2, gHookPrinter->Messages.size()});
  return Status;
}

IDS_HOOK_ENTRY Entry(UINT32 HookId, IDS_HOOK_FUNCTION Function) {
  IDS_HOOK_ENTRY E{};
  E.HookId = HookId;
  E.Function = Function;
  return E;
}
IDS_HOOK_ENTRY End() { return Entry(0xFFFFFFFFU, nullptr); }

class IdsHookTest : public DriverTest {
 protected:
  IdsHookTest() {
    BindSystemTable();
    Fw.Install(gDebugPrintProtocolGuid, &Printer);
    gHookCalls.clear();
    gHookPrinter = &Printer;
  }
  ~IdsHookTest() override { gHookPrinter = nullptr; }

  UINT32 Dispatch(const std::vector<IDS_HOOK_ENTRY> &Entries, UINT32 Signature = 0x53444924U,
                  UINT32 Version = 1) {
    IDS_HOOK_TABLE Table{};
    Table.Signature = Signature;
    Table.Version = Version;
    Table.Entries = Entries.empty() ? nullptr : Entries.data();
    return IdsHookDispatch(&Table);
  }

  sim::DebugPrintModel Printer;
};

TEST_F(IdsHookTest, TheShippedTableHoldsOnlyTheEndEntryAndMatchesNothing) {
  EXPECT_EQ(std::memcmp(&gIdsHookTable.Signature, "$IDS", 4), 0);
  EXPECT_EQ(gIdsHookTable.Version, 1U);
  EXPECT_EQ(gIdsHookTable.Entries[0].HookId, 0xFFFFFFFFU);
  EXPECT_EQ(gIdsHookTable.Entries[0].FunctionValue, 0xFFFFFFFFU);

  EXPECT_EQ(IdsHookFunc(), 1U);
  EXPECT_TRUE(Printer.Messages.empty());
  EXPECT_TRUE(Fw.Calls().empty()) << "nothing printed, so not even a lookup";
  EXPECT_TRUE(Machine.Ports.empty());
}

TEST_F(IdsHookTest, FoldsTheResultsOfEveryMatchingHook) {
  constexpr UINT32 Other = 0xE0000001;
  struct Case {
    const char *Name;
    std::vector<IDS_HOOK_ENTRY> Entries;
    UINT32 Result;
    size_t Calls;
  };
  const Case Cases[] = {
      {"0 then 7", {Entry(0xE0000000U, Hook<0>), Entry(0xE0000000U, Hook<7>), End()}, 7, 2},
      {"5 then 7", {Entry(0xE0000000U, Hook<5>), Entry(0xE0000000U, Hook<7>), End()}, 7, 2},
      {"5 then 0", {Entry(0xE0000000U, Hook<5>), Entry(0xE0000000U, Hook<0>), End()}, 5, 2},
      {"0 and 0", {Entry(0xE0000000U, Hook<0>), Entry(0xE0000000U, Hook<0>), End()}, 4, 2},
      {"other ids skipped", {Entry(Other, Hook<9>), Entry(0xE0000000U, Hook<0>), Entry(0, Hook<9>), End()}, 4, 1},
      {"nothing matched", {Entry(Other, Hook<9>), Entry(0, Hook<9>), End()}, 1, 0},
      {"entries after the end", {Entry(0xE0000000U, Hook<3>), End(), Entry(0xE0000000U, Hook<9>)}, 3, 1},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    gHookCalls.clear();
    Printer.Messages.clear();
    EXPECT_EQ(Dispatch(C.Entries), C.Result);
    ASSERT_EQ(gHookCalls.size(), C.Calls);
    ASSERT_EQ(Printer.Messages.size(), C.Calls);
    for (size_t I = 0; I < C.Calls; I++) {
      EXPECT_EQ(gHookCalls[I].HookId, 0xE0000000U);
      EXPECT_EQ(gHookCalls[I].Arg1, nullptr);
      EXPECT_EQ(gHookCalls[I].Arg2, nullptr);
      EXPECT_EQ(gHookCalls[I].MessagesBefore, I + 1) << "announced before the call";
      EXPECT_EQ(Printer.Messages[I].Level, 0x0020000000000000ULL);
      EXPECT_EQ(Printer.Messages[I].Format, "IdsHookFunc HookId %x\n");
      EXPECT_EQ(Printer.Messages[I].Text, "IdsHookFunc HookId E0000000\n");
    }
  }
}

TEST_F(IdsHookTest, ABadTableTrapsWhenArmedAndIsNotWalked) {
  struct Case {
    const char *Name;
    UINT32 Signature, Version;
    bool Entries;
  };
  const Case Cases[] = {
      {"signature", 0x53444925, 1, true},
      {"version 0", 0x53444924U, 0, true},
      {"version 2", 0x53444924U, 2, true},
      {"no entries", 0x53444924U, 1, false},
  };
  const std::vector<IDS_HOOK_ENTRY> Entries = {Entry(0xE0000000U, Hook<7>), End()};
  Machine.SimulatorSi = 1;
  for (const Case &C : Cases) {
    for (UINT8 Armed : {0, 1}) {
      SCOPED_TRACE(std::string(C.Name) + (Armed ? " armed" : " disarmed"));
      Machine.Ports.clear();
      CfgPcdBuf.TrapEnable = Armed;
      EXPECT_EQ(Dispatch(C.Entries ? Entries : std::vector<IDS_HOOK_ENTRY>{}, C.Signature, C.Version), 1U);
      EXPECT_TRUE(gHookCalls.empty());
      EXPECT_TRUE(Printer.Messages.empty());
      if (Armed) {
        EXPECT_EQ(Machine.PortWrites(), TrapWrites(0x20910056));
      } else {
        EXPECT_TRUE(Machine.Ports.empty());
      }
    }
  }
}

}  // namespace
