// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "debug/DebugMessages.h"

namespace {

class DebugPrintTest : public DriverTest {
 protected:
  DebugPrintTest() { BindSystemTable(); }
  sim::DebugPrintModel Printer;
};

TEST_F(DebugPrintTest, ForwardsLevelFormatAndArgumentsToPrint) {
  Fw.Install(gDebugPrintProtocolGuid, &Printer);
  Printer.Answer = EFI_WARN_UNKNOWN_GLYPH;
  EXPECT_EQ(DebugPrint(0x0020000000000000ULL, "[%a] %r %x|%lx\n", "Fn", EFI_NOT_FOUND, 0xE0000000U,
                       UINT64{0x123456789A}),
            EFI_WARN_UNKNOWN_GLYPH);
  ASSERT_EQ(Printer.Messages.size(), 1U);
  EXPECT_EQ(Printer.Messages[0].Level, 0x0020000000000000ULL);
  EXPECT_EQ(Printer.Messages[0].Format, "[%a] %r %x|%lx\n");
  EXPECT_EQ(Printer.Messages[0].Text, "[Fn] Not Found E0000000|123456789A\n");
  EXPECT_EQ(gDebugPrintProtocol, reinterpret_cast<DEBUG_PRINT_PROTOCOL *>(&Printer));

  DebugPrint(0x80000000ULL, "second\n");
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), 1U) << "the interface is cached once found";
  EXPECT_EQ(Printer.Messages.size(), 2U);
}

TEST_F(DebugPrintTest, WhileTheProtocolIsMissingEveryCallLooksAgain) {
  EXPECT_EQ(DebugPrint(0x80000000ULL, "dropped %x\n", 1U), EFI_NOT_FOUND);
  EXPECT_EQ(DebugPrint(0x80000000ULL, "dropped %x\n", 2U), EFI_NOT_FOUND);
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), 2U);
  EXPECT_EQ(gDebugPrintProtocol, nullptr);

  Fw.Install(gDebugPrintProtocolGuid, &Printer);
  EXPECT_EQ(DebugPrint(0x80000000ULL, "kept %x\n", 3U), EFI_SUCCESS);
  ASSERT_EQ(Printer.Messages.size(), 1U);
  EXPECT_EQ(Printer.Messages[0].Text, "kept 3\n");
}

EFI_STATUS EFIAPI LocateLeavingJunk(const EFI_GUID *, VOID *, VOID **Interface) {
  *Interface = reinterpret_cast<VOID *>(UINTN{0xBAD0BAD0});
  return EFI_NOT_FOUND;
}

TEST_F(DebugPrintTest, NeitherAFailedLookupsLeftoverNorANullInstanceIsCalled) {
  Fw.BootServices()->LocateProtocol = LocateLeavingJunk;
  EXPECT_EQ(DebugPrint(0x80000000ULL, "x\n"), EFI_NOT_FOUND);
  EXPECT_EQ(gDebugPrintProtocol, nullptr);

  sim::Firmware NullInstance;
  gBootServices = NullInstance.BootServices();
  NullInstance.Install(gDebugPrintProtocolGuid, nullptr);
  EXPECT_EQ(DebugPrint(0x80000000ULL, "x\n"), EFI_NOT_FOUND);
  EXPECT_EQ(DebugPrint(0x80000000ULL, "x\n"), EFI_NOT_FOUND);
  EXPECT_EQ(NullInstance.CallCount(sim::BootService::LocateProtocol), 2U);
  EXPECT_EQ(gDebugPrintProtocol, nullptr);
}

}  // namespace
