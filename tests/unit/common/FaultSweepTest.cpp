// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Fault-injection sweep over the entry call: a clean run records every boot-service call
// that the start-up chain and driver main make; then, for each of those calls, a fresh
// boot in which exactly that call fails. Every such boot must end in success (an error
// would unload an image whose registrations stay behind), keep every heap node it linked,
// trap only where a site is meant to, and leave the rest of the work done.
#include <algorithm>
#include <set>

#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "common/ProcessorExpectations.h"
#include "heap/HeapMigration.h"
#include "processor/Processor.h"
#include "processor/Variant.h"

#include <Protocol/HeapList.h>

namespace {

constexpr EFI_STATUS kInjected = EFI_OUT_OF_RESOURCES;
constexpr UINT32 kTrapRuntimePool = 0x00080134, kTrapBootPool = 0x00080137, kTrapInstall = 0x00080225;

// The services the drivers use; the sweep can make each of them fail.
using sim::BootService;
const std::set<BootService> kInjectable = {BootService::LocateProtocol, BootService::InstallProtocolInterface,
                                           BootService::AllocatePool,   BootService::CreateEvent,
                                           BootService::RegisterProtocolNotify, BootService::SignalEvent};

struct Fault {
  BootService Service;
  unsigned Nth;  // 1-based among calls of that service
  EFI_GUID Guid;
};

struct Scenario {
  const char *Name;
  bool WithPcd;  // PCD present: TrapEnable armed (the simulator makes the trap return)
  bool Junk;     // a failed lookup leaves a junk pointer behind
};

void PrintTo(const Scenario &S, std::ostream *Out) { *Out << S.Name; }

// One boot of one deliverable on its own processor, with three heap HOBs, a debug-print
// protocol and an interrupt-table protocol already published.
class Boot {
 public:
  explicit Boot(const Scenario &S) {
    sim::TheMachine().Reset();
    ResetDriverGlobals();
    Machine.SetSignature(expect::OwnSignature);
    Machine.SimulatorSi = 1;
    Fw.FaultsLeaveJunk = S.Junk;
    Hobs.Guid(gHeapHobGuid, sim::HeapHobData(24, 8, 1, std::vector<UINT8>(24, 0x11)))
        .Guid(gHeapHobGuid, sim::HeapHobData(8, 0, 1, std::vector<UINT8>(8, 0x22)))
        .Guid(gHeapHobGuid, sim::HeapHobData(0, 0, 1, {}))
        .End();
    Fw.AddConfigurationTable(gEfiHobListGuid, Hobs.Start());
    Fw.AddConfigurationTable(gEfiDxeServicesTableGuid, &DxeServices);
    if (S.WithPcd) {
      Pcd.Tokens[150] = 9;
      Pcd.Tokens[152] = 10;
      Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
      Fw.Install(gEfiPcdProtocolGuid, Pcd.EfiPcdProtocol());
    }
    Fw.Install(gDebugPrintProtocolGuid, &Printer);
    Tables.SetIoApic(0, 0xFEC00000, 2);
    Tables.SetIoApic(1, 0xFEC01000, 3);
    Tables.SetItem(0, 0, 30, 2);
    Tables.SetItem(0, 1, 31, 3);
    Fw.Install(gInterruptTableProtocolGuid, Tables.Interface());
  }
  ~Boot() { ResetDriverGlobals(); }

  EFI_STATUS Enter() { return Fw.StartImage(DriverEntry); }

  sim::Machine &Machine = sim::TheMachine();
  sim::Firmware Fw;
  sim::HobBuilder Hobs;
  sim::PcdModel Pcd;
  sim::DebugPrintModel Printer;
  sim::InterruptTables Tables{2, 1};
  int DxeServices = 0;
};

// The calls of a clean boot, each named by service and its ordinal among that service.
std::vector<Fault> CleanCalls(const Scenario &S) {
  Boot B(S);
  EXPECT_EQ(B.Enter(), EFI_SUCCESS);
  std::vector<Fault> Out;
  std::map<BootService, unsigned> Seen;
  for (const sim::ServiceCall &C : B.Fw.Calls()) Out.push_back({C.Service, ++Seen[C.Service], C.Guid});
  return Out;
}

std::vector<HEAP_NODE *> Walk(LIST_ENTRY *Head) {
  std::vector<HEAP_NODE *> Out;
  LIST_ENTRY *Previous = Head;
  for (LIST_ENTRY *L = Head->ForwardLink; L != Head && Out.size() < 16; L = L->ForwardLink) {
    EXPECT_EQ(L->BackLink, Previous) << "node " << Out.size() << " links back wrongly";
    Out.push_back(reinterpret_cast<HEAP_NODE *>(L));
    Previous = L;
  }
  EXPECT_EQ(Head->BackLink, Previous) << "the head's BackLink is not the last node";
  return Out;
}

// Which interrupt-table lookup of the boot the fault hit: 1 for the first I/O APIC, 2 for
// the second.
unsigned TableLocateOrdinal(const std::vector<Fault> &Calls, const Fault &F) {
  unsigned N = 0;
  for (const Fault &C : Calls) {
    if (C.Service == BootService::LocateProtocol && C.Guid == gInterruptTableProtocolGuid) N++;
    if (C.Service == F.Service && C.Nth == F.Nth) return N;
  }
  return 0;
}

class FaultSweepTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(FaultSweepTest, EachCallFailingAloneKeepsTheEntryStatusAndTheHeapList) {
  const Scenario &S = GetParam();
  const std::vector<Fault> Calls = CleanCalls(S);
  ASSERT_GT(Calls.size(), 30U);
  const EFI_GUID &LastPresence = *MODULE_PRESENCE_LIST[MODULE_PRESENCE_COUNT - 1];

  for (const Fault &F : Calls) {
    SCOPED_TRACE(std::string(sim::ServiceName(F.Service)) + " #" + std::to_string(F.Nth) + " " + sim::GuidText(F.Guid));
    ASSERT_TRUE(kInjectable.count(F.Service)) << "a service the sweep cannot fail";
    Boot B(S);
    B.Fw.FailCall(F.Service, F.Nth, kInjected);
    const EFI_STATUS Status = B.Enter();

    // The entry never fails, or the core would unload an image that still owns registered
    // things; the last presence install's failure comes out as one message (its text:
    // DriverMainTest).
    const bool LastInstall = F.Service == BootService::InstallProtocolInterface && F.Guid == LastPresence;
    EXPECT_EQ(Status, EFI_SUCCESS);
    EXPECT_THAT(B.Fw.Dangling(), ::testing::IsEmpty());
    EXPECT_TRUE(B.Fw.Unsupported().empty());
    EXPECT_EQ(std::count_if(B.Printer.Messages.begin(), B.Printer.Messages.end(),
                            [](const auto &M) { return M.Text.find("[DriverMain]") == 0; }),
              LastInstall ? 1 : 0);

    // Every node allocated is linked, in HOB order, and the list is whole both ways.
    const bool NodeLost = F.Service == BootService::AllocatePool;
    ASSERT_NE(gHeapListHead, nullptr);
    const std::vector<HEAP_NODE *> Nodes = Walk(gHeapListHead);
    EXPECT_EQ(Nodes.size(), NodeLost ? 2U : 3U);
    EXPECT_EQ(B.Fw.Pool().size(), Nodes.size());
    UINT32 LastSize = 25;
    for (HEAP_NODE *N : Nodes) {
      EXPECT_NE(B.Fw.BlockOf(N), nullptr);
      EXPECT_LT(N->Header.DataSize, LastSize) << "out of HOB order";
      LastSize = N->Header.DataSize;
    }
    const bool HeapInstallFails = F.Service == BootService::InstallProtocolInterface && F.Guid == gHeapListProtocolGuid;
    EXPECT_EQ(B.Fw.InstallCount(gHeapListProtocolGuid), HeapInstallFails ? 0U : 1U);

    // An armed site announces its own code; nothing else traps.
    std::vector<UINT32> Codes, Want;
    for (const sim::PortAccess &A : B.Machine.PortWrites()) {
      if (A.Port == 0x80) Codes.push_back(A.Value);
    }
    if (S.WithPcd && NodeLost) Want.push_back(F.Nth == 1 ? kTrapRuntimePool : kTrapBootPool);
    if (S.WithPcd && HeapInstallFails) Want.push_back(kTrapInstall);
    EXPECT_EQ(Codes, Want);

    // The rest of the work is still done: the protocols whose install did not fail, and
    // the I/O APIC identifiers unless the notification could not run or find its inputs.
    const bool ClassFails = F.Service == BootService::InstallProtocolInterface && F.Guid == gProcessorClassProtocolGuid;
    const bool InfoFails = F.Service == BootService::InstallProtocolInterface && F.Guid == gPlatformInfoProtocolGuid;
    EXPECT_EQ(B.Fw.InstallCount(gProcessorClassProtocolGuid), ClassFails ? 0U : 1U);
    EXPECT_EQ(B.Fw.InstallCount(gPlatformInfoProtocolGuid), InfoFails ? 0U : 1U);
    if (S.WithPcd) {
      // Identifiers 9 (token 150) and 10 (token 152) replace 2 and 3, in the I/O APIC rows
      // and in the routing items that named them, unless that half could not run.
      const bool NoCallback = F.Service == BootService::CreateEvent || F.Service == BootService::SignalEvent;
      const bool TablesMissed = F.Service == BootService::LocateProtocol && F.Guid == gInterruptTableProtocolGuid;
      const unsigned TableLocates = TablesMissed ? TableLocateOrdinal(Calls, F) : 0;
      const bool FirstDone = !NoCallback && TableLocates != 1;
      const bool SecondDone = !NoCallback && TableLocates != 2;
      EXPECT_EQ(B.Tables.ApicId(0), FirstDone ? 9U : 2U);
      EXPECT_EQ(B.Tables.ItemApicId(0, 0), FirstDone ? 9U : 2U);
      EXPECT_EQ(B.Tables.ApicId(1), SecondDone ? 10U : 3U);
      EXPECT_EQ(B.Tables.ItemApicId(0, 1), SecondDone ? 10U : 3U);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Boots, FaultSweepTest,
                         ::testing::Values(Scenario{"TrapArmedOnSimulator", true, false}, Scenario{"NoPcd", false, false},
                                           Scenario{"JunkLeftByFailedLookups", true, true}),
                         [](const auto &Info) { return std::string(Info.param.Name); });

}  // namespace
