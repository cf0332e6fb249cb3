#include "common/DriverTest.h"
#include "ioapic/IoApic.h"

namespace {

class StartupChainTest : public DriverTest {
 protected:
  EFI_STATUS Enter() { return DriverEntry(Fw.ImageHandle(), Fw.SystemTable()); }
};

// The seven steps in order, seen through the firmware: configuration buffer (two presence
// checks, then the cached PCD lookup and the eleven token reads), HOB list (no service
// call), heap hand-off, DXE services (no service call), backends (none present), and the
// notification, whose first run reads tokens 150 and 152 and looks for the interrupt
// tables before each. On a processor neither deliverable serves, that is every call.
TEST_F(StartupChainTest, RunsTheStepsInOrder) {
  sim::PcdModel Pcd;
  Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
  Fw.Install(gEfiPcdProtocolGuid, Pcd.EfiPcdProtocol());
  sim::HobBuilder Hobs;
  Hobs.End();
  Fw.AddConfigurationTable(gEfiHobListGuid, Hobs.Start());

  EXPECT_EQ(Enter(), EFI_SUCCESS);

  const std::vector<std::pair<std::string, std::string>> Expected = {
      Call("LocateProtocol", gPcdProtocolGuid),
      Call("LocateProtocol", gEfiPcdProtocolGuid),
      Call("LocateProtocol", gPcdProtocolGuid),
      Call("LocateProtocol", gHeapListProtocolGuid),
      Call("InstallProtocolInterface", gHeapListProtocolGuid),
      Call("CreateEvent"),
      Call("RegisterProtocolNotify", gInterruptTableProtocolGuid),
      Call("SignalEvent"),
      Call("LocateProtocol", gInterruptTableProtocolGuid),
      Call("LocateProtocol", gInterruptTableProtocolGuid),
  };
  EXPECT_EQ(CallTrace(), Expected);

  std::vector<UINTN> Tokens;
  for (const auto &Read : Pcd.Reads) Tokens.push_back(Read.Token);
  EXPECT_EQ(Tokens, (std::vector<UINTN>{846, 1180, 1104, 1179, 1185, 1183, 1184, 1181, 1113, 1112, 1182, 150, 152}));
  EXPECT_TRUE(Fw.Unsupported().empty());
}

TEST_F(StartupChainTest, RecordsTheSystemTableAndTheDxeServicesTable) {
  int DxeServices = 0;
  sim::HobBuilder Hobs;
  Hobs.End();
  Fw.AddConfigurationTable(gEfiHobListGuid, Hobs.Start());
  Fw.AddConfigurationTable(gEfiDxeServicesTableGuid, &DxeServices);
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  EXPECT_EQ(gSystemTable, Fw.SystemTable());
  EXPECT_EQ(gBootServices, Fw.BootServices());
  EXPECT_EQ(gHobList, Hobs.Start());
  EXPECT_EQ(gDxeServices, &DxeServices);
}

TEST_F(StartupChainTest, MissingTablesLeaveTheCachesEmpty) {
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  EXPECT_EQ(gHobList, nullptr);
  EXPECT_EQ(gDxeServices, nullptr);
}

TEST_F(StartupChainTest, ArmsTheInterruptTableNotificationAndRunsItOnceAtCallback) {
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  const auto Trace = CallTrace();
  const std::vector<std::pair<std::string, std::string>> Arming = {
      Call("CreateEvent"), Call("RegisterProtocolNotify", gInterruptTableProtocolGuid), Call("SignalEvent")};
  auto It = std::search(Trace.begin(), Trace.end(), Arming.begin(), Arming.end());
  ASSERT_NE(It, Trace.end()) << "CreateEvent, RegisterProtocolNotify, SignalEvent in a row";

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
  Fw.FailCall("CreateEvent", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Enter(), EFI_SUCCESS);
  EXPECT_EQ(Fw.CallCount("RegisterProtocolNotify"), 0U);
  EXPECT_EQ(Fw.CallCount("SignalEvent"), 0U);
  EXPECT_TRUE(Fw.Events().empty());
}

TEST_F(StartupChainTest, FailuresOfTheLaterStepsDoNotReachTheEntryStatus) {
  Fw.FailCall("RegisterProtocolNotify", 1, EFI_OUT_OF_RESOURCES);
  Fw.FailCall("SignalEvent", 1, EFI_INVALID_PARAMETER);
  EXPECT_EQ(Enter(), EFI_SUCCESS);
}

}  // namespace
