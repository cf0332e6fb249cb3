// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>

#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "debug/DebugMessages.h"

namespace {

class CfgPcdBufTest : public DriverTest {
 protected:
  CfgPcdBufTest() {
    BindSystemTable();
    Fw.Install(gDebugPrintProtocolGuid, &Printer);
    // Load-time zero is not enough to show the fill zeroes the record itself.
    std::memset(&CfgPcdBuf, 0xA5, sizeof(CfgPcdBuf));
  }
  void InstallPcd() { Fw.Install(gPcdProtocolGuid, Pcd.Protocol()); }
  void InstallEfiPcd() { Fw.Install(gEfiPcdProtocolGuid, Pcd.EfiPcdProtocol()); }
  std::vector<UINT8> Bytes() const {
    const auto *P = reinterpret_cast<const UINT8 *>(&CfgPcdBuf);
    return {P, P + sizeof(CfgPcdBuf)};
  }

  sim::PcdModel Pcd;
  sim::DebugPrintModel Printer;
};

TEST_F(CfgPcdBufTest, FillsTheRecordInTableOrderAndWidths) {
  // A BOOLEAN token holding 2 is stored as it comes.
  Pcd.Tokens = {{846, 2},          {1180, 0},          {1104, 0x11},       {1179, 0x22},
                {1185, 0x33},      {1183, 0x44},       {1184, 0xA1B2C3D4}, {1181, 1},
                {1113, 0x55667788}, {1112, 0x99AABBCC}, {1182, 0xEE}};
  InstallPcd();
  InstallEfiPcd();
  FillCfgPcdBuf();

  const std::vector<UINT8> Expected = {0x01, 0x01, 0x03, 0x80, 0x00, 0x01,              // header, TrapEnable
                                       0x02, 0x00, 0x11, 0x22, 0x33, 0x44,              // 846 .. 1183
                                       0xD4, 0xC3, 0xB2, 0xA1,                          // 1184
                                       0x01,                                            // 1181
                                       0x88, 0x77, 0x66, 0x55, 0xCC, 0xBB, 0xAA, 0x99,  // 1113, 1112
                                       0xEE, 0x02};                                     // 1182, trailer
  EXPECT_EQ(Bytes(), Expected);

  const std::vector<sim::PcdModel::Read> Order = {
      {"GetBool", 846}, {"GetBool", 1180}, {"Get8", 1104},  {"Get8", 1179},  {"Get8", 1185}, {"Get8", 1183},
      {"Get32", 1184},  {"GetBool", 1181}, {"Get32", 1113}, {"Get32", 1112}, {"Get8", 1182}};
  EXPECT_EQ(Pcd.Reads, Order);
  // Two presence checks, then the one lookup that GetPcdProtocol caches.
  EXPECT_EQ(CallTrace(), (std::vector<std::pair<std::string, std::string>>{
                             Call("LocateProtocol", gPcdProtocolGuid), Call("LocateProtocol", gEfiPcdProtocolGuid),
                             Call("LocateProtocol", gPcdProtocolGuid)}));
  EXPECT_EQ(gPcdProtocol, Pcd.Protocol());
  EXPECT_TRUE(Printer.Messages.empty());
}

TEST_F(CfgPcdBufTest, AMissingProtocolLeavesTheRecordZeroWithOneMessage) {
  struct Case {
    const char *Name;
    bool Pcd, EfiPcd, NullPcdInterface;
    const char *Text;
    size_t Lookups;
  };
  const Case Cases[] = {
      {"no PCD_PROTOCOL", false, true, false,
       "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gPcdProtocolGuid, Status: Not Found\n", 1},
      {"neither", false, false, false,
       "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gPcdProtocolGuid, Status: Not Found\n", 1},
      {"no EFI_PCD_PROTOCOL", true, false, false,
       "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gEfiPcdProtocolGuid, Status: Not Found\n", 2},
      // An instance with a NULL interface cannot be read from.
      {"NULL PCD_PROTOCOL interface", false, true, true,
       "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gPcdProtocolGuid, Status: Not Found\n", 1},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    sim::Firmware Local;
    gSystemTable = Local.SystemTable();
    gBootServices = Local.BootServices();
    gPcdProtocol = nullptr;
    sim::DebugPrintModel Messages;
    Local.Install(gDebugPrintProtocolGuid, &Messages);
    gDebugPrintProtocol = nullptr;
    if (C.Pcd) Local.Install(gPcdProtocolGuid, Pcd.Protocol());
    if (C.NullPcdInterface) Local.Install(gPcdProtocolGuid, nullptr);
    if (C.EfiPcd) Local.Install(gEfiPcdProtocolGuid, Pcd.EfiPcdProtocol());
    std::memset(&CfgPcdBuf, 0xA5, sizeof(CfgPcdBuf));
    Pcd.Reads.clear();

    FillCfgPcdBuf();
    EXPECT_EQ(Bytes(), std::vector<UINT8>(27, 0));
    ASSERT_EQ(Messages.Messages.size(), 1U);
    EXPECT_EQ(Messages.Messages[0].Level, 0x80000000ULL);
    EXPECT_EQ(Messages.Messages[0].Text, C.Text);
    EXPECT_TRUE(Pcd.Reads.empty());
    // The driver's own lookups (the print protocol's comes on top).
    EXPECT_EQ(Local.CallCount(sim::BootService::LocateProtocol), C.Lookups + 1);
  }
}

TEST_F(CfgPcdBufTest, TheStartupChainArmsTheTrapOnlyWhenBothProtocolsExist) {
  InstallPcd();
  InstallEfiPcd();
  DriverEntry(Fw.ImageHandle(), Fw.SystemTable());
  EXPECT_EQ(CfgPcdBuf.TrapEnable, 1);

  sim::Firmware NoPcd;
  ResetDriverGlobals();
  DriverEntry(NoPcd.ImageHandle(), NoPcd.SystemTable());
  EXPECT_EQ(CfgPcdBuf.TrapEnable, 0);
}

}  // namespace
