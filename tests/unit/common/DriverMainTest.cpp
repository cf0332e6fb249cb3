// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "common/ProcessorExpectations.h"
#include "processor/Processor.h"

namespace {

class DriverMainTest : public DriverTest {
 protected:
  DriverMainTest() { BindSystemTable(); }

  // GUIDs on the image handle, in install order.
  std::vector<std::string> ImageProtocols() const {
    std::vector<std::string> Out;
    for (const auto &[Guid, Interface] : Fw.ProtocolsOn(Fw.ImageHandle())) Out.push_back(sim::GuidText(Guid));
    return Out;
  }

  std::vector<std::string> ExpectedImageProtocols() const {
    std::vector<std::string> Out = {sim::GuidText(gProcessorClassProtocolGuid), sim::GuidText(gPlatformInfoProtocolGuid)};
    Out.insert(Out.end(), expect::PresenceList.begin(), expect::PresenceList.end());
    return Out;
  }
};

TEST_F(DriverMainTest, OwnProcessorGetsBothProtocolsThenThePresenceListOnTheImageHandle) {
  Machine.SetSignature(expect::OwnSignature);
  const size_t HandlesBefore = Fw.HandleCount();
  EXPECT_EQ(DriverMain(Fw.ImageHandle()), EFI_SUCCESS);

  EXPECT_EQ(ImageProtocols(), ExpectedImageProtocols());
  EXPECT_EQ(Fw.HandleCount(), HandlesBefore) << "no new handle";
  const auto On = Fw.ProtocolsOn(Fw.ImageHandle());
  ASSERT_EQ(On.size(), 2 + expect::PresenceList.size());
  EXPECT_EQ(On[0].second, &gProcessorClassProtocol);
  EXPECT_EQ(On[1].second, &gPlatformInfoProtocol);
  for (size_t I = 2; I < On.size(); I++) EXPECT_EQ(On[I].second, nullptr) << "presence GUID " << I - 1;

  ASSERT_EQ(Machine.CpuidCalls.size(), 1U);
  EXPECT_EQ(Machine.CpuidCalls[0].Leaf, 0x80000001U);
  EXPECT_EQ(Fw.CallCount(sim::BootService::InstallProtocolInterface), 2 + expect::PresenceList.size());
  EXPECT_TRUE(Fw.Unsupported().empty());
}

// Base model, stepping and EAX bits 31:28 and 15:12 take no part in the check.
TEST_F(DriverMainTest, BitsOutsideTheMaskDoNotMatter) {
  for (UINT32 Extra : {0x00U, 0x5AU, 0xF000F0FFU}) {
    sim::Firmware Fresh;
    gBootServices = Fresh.BootServices();
    Machine.SetSignature((expect::OwnSignature & ~0xFFU) | Extra);
    EXPECT_EQ(DriverMain(Fresh.ImageHandle()), EFI_SUCCESS);
    EXPECT_EQ(Fresh.ProtocolsOn(Fresh.ImageHandle()).size(), 2 + expect::PresenceList.size()) << std::hex << Extra;
  }
}

TEST_F(DriverMainTest, ProcessorsNotServedGetNothing) {
  struct Case {
    const char *What;
    UINT32 Eax, Ebx;
  };
  const Case Cases[] = {
      {"the other deliverable's processor", expect::OtherSignature, 0},
      {"family 17h model 71h", expect::Family17hModel71h, 0},
      {"package type bit 28", expect::OwnSignature, 0x10000000},
      {"package type bit 31", expect::OwnSignature, 0x80000000},
      {"extended family differs", expect::OwnSignature ^ 0x00100000, 0},
      {"base family differs", expect::OwnSignature ^ 0x00000100, 0},
      {"no CPUID leaf", 0, 0},
  };
  for (const Case &C : Cases) {
    sim::Firmware Fresh;
    gBootServices = Fresh.BootServices();
    Machine.SetSignature(C.Eax, C.Ebx);
    EXPECT_EQ(DriverMain(Fresh.ImageHandle()), EFI_SUCCESS) << C.What;
    EXPECT_TRUE(Fresh.Calls().empty()) << C.What;
  }
}

TEST_F(DriverMainTest, ClassProtocolAlreadyOnTheImageHandle) {
  int Earlier = 0;
  Fw.Install(gProcessorClassProtocolGuid, &Earlier, Fw.ImageHandle());
  Machine.SetSignature(expect::OwnSignature);
  EXPECT_EQ(DriverMain(Fw.ImageHandle()), EFI_SUCCESS);
  const auto On = Fw.ProtocolsOn(Fw.ImageHandle());
  ASSERT_EQ(On.size(), 2 + expect::PresenceList.size());
  EXPECT_EQ(On[0].second, &Earlier) << "the earlier instance stays";
  EXPECT_EQ(sim::GuidText(On[1].first), sim::GuidText(gPlatformInfoProtocolGuid));
}

TEST_F(DriverMainTest, OnlyTheLastPresenceInstallDecidesTheStatus) {
  const EFI_STATUS Fault = EFI_OUT_OF_RESOURCES;
  const unsigned Installs = 2 + expect::PresenceList.size();
  struct Case {
    unsigned FailingInstall;  // 1-based among all installs
    EFI_STATUS Expected;
  };
  // A failing protocol install stops nothing either.
  const Case Cases[] = {{1, EFI_SUCCESS}, {2, EFI_SUCCESS}, {3, EFI_SUCCESS}, {Installs - 1, EFI_SUCCESS}, {Installs, Fault}};
  for (const Case &C : Cases) {
    sim::Firmware Fresh;
    gBootServices = Fresh.BootServices();
    Fresh.FailCall(sim::BootService::InstallProtocolInterface, C.FailingInstall, Fault);
    Machine.SetSignature(expect::OwnSignature);
    EXPECT_EQ(DriverMain(Fresh.ImageHandle()), C.Expected) << C.FailingInstall;
    EXPECT_EQ(Fresh.CallCount(sim::BootService::InstallProtocolInterface), Installs) << "the loop goes on";
    EXPECT_EQ(Fresh.ProtocolsOn(Fresh.ImageHandle()).size(), Installs - 1);
  }
}

// DriverMain's failure reaches no entry status: the core would unload the image.
TEST_F(DriverMainTest, EntrySucceedsWhenTheLastPresenceInstallFails) {
  Machine.SetSignature(expect::OwnSignature);
  // Both lists end with this GUID.
  ASSERT_EQ(expect::PresenceList.back(), sim::GuidText(gModulePresenceB67067C6Guid));
  Fw.FailInstallOf(gModulePresenceB67067C6Guid, EFI_DEVICE_ERROR);
  sim::DebugPrintModel Printer;
  Fw.Install(gDebugPrintProtocolGuid, &Printer);
  EXPECT_EQ(Fw.StartImage(DriverEntry), EFI_SUCCESS);
  // After the configuration record's own message: no PCD protocol here.
  ASSERT_EQ(Printer.Messages.size(), 2U);
  EXPECT_EQ(Printer.Messages[1].Level, 0x80000000U);
  EXPECT_EQ(Printer.Messages[1].Text, "[DriverMain] InstallProtocolInterface: module presence GUID, Status: Device Error\n");
}

}  // namespace
