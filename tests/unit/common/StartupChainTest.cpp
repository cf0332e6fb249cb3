// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "ioapic/IoApic.h"

namespace {

class StartupChainTest : public DriverTest {
 protected:
  EFI_STATUS Enter() { return DriverEntry(Fw.ImageHandle(), Fw.SystemTable()); }
};

// The seven steps in order, in one log of everything the driver does outside, with the
// caches of the two steps that call nothing looked at as each event happens: the HOB list
// is found after the configuration reads and before the heap hand-off, the DXE services
// table after the heap-list install and before the notification is armed. The first run
// of the notification reads tokens 150 and 152 and looks for the interrupt tables after
// each; then driver main reads the signature (a processor neither deliverable serves).
TEST_F(StartupChainTest, RunsTheStepsInOrder) {
  sim::PcdModel Pcd;
  Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
  Fw.Install(gEfiPcdProtocolGuid, Pcd.EfiPcdProtocol());
  sim::HobBuilder Hobs;
  Hobs.End();
  int DxeServices = 0;
  Fw.AddConfigurationTable(gEfiHobListGuid, Hobs.Start());
  Fw.AddConfigurationTable(gEfiDxeServicesTableGuid, &DxeServices);
  std::vector<std::string> Seen;
  Machine.OnEvent = [&](const std::string &E) {
    Seen.push_back(E + (gHobList != nullptr ? " +hob" : "") + (gDxeServices != nullptr ? " +dxe" : ""));
  };

  EXPECT_EQ(Enter(), EFI_SUCCESS);
  Machine.OnEvent = nullptr;

  const std::string Pcd_ = "LocateProtocol 11B34006-D85B-4D0A-A290-D5A571310EF7";
  const std::string Heap = "AF62673D-DEDA-43AE-8F03-9C2D89FD78DA +hob", Tables = "4FC0733F-6FD2-491B-A890-5374521BF48F";
  EXPECT_EQ(Seen, (std::vector<std::string>{
                      Pcd_, "LocateProtocol 13A3F0F6-264A-3EF0-F2E0-DEC512342F34", Pcd_, "GetBool 846", "GetBool 1180",
                      "Get8 1104", "Get8 1179", "Get8 1185", "Get8 1183", "Get32 1184", "GetBool 1181", "Get32 1113",
                      "Get32 1112", "Get8 1182", "LocateProtocol " + Heap, "InstallProtocolInterface " + Heap,
                      "CreateEvent +hob +dxe", "RegisterProtocolNotify " + Tables + " +hob +dxe", "SignalEvent +hob +dxe",
                      "Get8 150 +hob +dxe", "LocateProtocol " + Tables + " +hob +dxe", "Get8 152 +hob +dxe",
                      "LocateProtocol " + Tables + " +hob +dxe", "CPUID 0x80000001 +hob +dxe"}));
  EXPECT_EQ(gSystemTable, Fw.SystemTable());
  EXPECT_EQ(gBootServices, Fw.BootServices());
  EXPECT_EQ(gHobList, Hobs.Start());
  EXPECT_EQ(gDxeServices, &DxeServices);
  EXPECT_TRUE(Fw.Unsupported().empty());
}

TEST_F(StartupChainTest, ArmsTheInterruptTableNotificationAndRunsItOnceAtCallback) {
  // Without tables in the configuration table, the caches stay empty.
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  EXPECT_EQ(gHobList, nullptr);
  EXPECT_EQ(gDxeServices, nullptr);
  ASSERT_EQ(Fw.Events().size(), 1U);
  const auto &Event = *Fw.Events()[0];
  EXPECT_EQ(Event.Type, EVT_NOTIFY_SIGNAL);
  EXPECT_EQ(Event.NotifyTpl, static_cast<EFI_TPL>(TPL_CALLBACK));
  EXPECT_EQ(Event.Notify, &IoApicIdFixup);
  EXPECT_EQ(Event.Context, nullptr);
  EXPECT_EQ(Event.Notifications, 1U) << "signalled once at TPL_APPLICATION: runs straight away";
  EXPECT_EQ(Fw.CurrentTpl(), static_cast<EFI_TPL>(TPL_APPLICATION));

  // A later install of the interrupt-table protocol runs it again.
  int Tables = 0;
  Fw.Install(gInterruptTableProtocolGuid, &Tables);
  EXPECT_EQ(Event.Notifications, 2U);
  EXPECT_TRUE(Fw.Unsupported().empty());
}

TEST_F(StartupChainTest, AFailedCreateEventRegistersAndSignalsNothing) {
  Fw.FailCall(sim::BootService::CreateEvent, 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  EXPECT_EQ(Fw.CallCount(sim::BootService::RegisterProtocolNotify), 0U);
  EXPECT_EQ(Fw.CallCount(sim::BootService::SignalEvent), 0U);
  EXPECT_TRUE(Fw.Events().empty());
}

}  // namespace
