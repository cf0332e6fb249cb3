// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "processor/Processor.h"

namespace {

constexpr UINT32 UnitRegister = 0x0005D528;

class UnitInfoM70Test : public DriverTest {
 protected:
  UnitInfoM70Test() {
    BindSystemTable();
    Fw.Install(gRegisterAccessProtocolGuid, &Registers);
  }
  sim::RegisterAccessModel Registers;
};

TEST_F(UnitInfoM70Test, FlagIsBit6AndFieldBits14To7) {
  struct Case {
    UINT32 Raw;
    UINT8 Flag;
    UINT32 Field;
  };
  const Case Cases[] = {
      {0x7FC0, 1, 0xFF},      // bits 14..6
      {0x0040, 1, 0x00},      // bit 6 only
      {0x0080, 0, 0x01},      // bit 7: lowest field bit
      {0x4000, 0, 0x80},      // bit 14: highest field bit
      {0x803F, 0, 0x00},      // bit 15 and bits 5..0 lie outside
      {0xFFFFFFFF, 1, 0xFF},
  };
  for (const Case &C : Cases) {
    Registers.Registers[UnitRegister] = C.Raw;
    UINT32 Mask = 0, Field = 0xDEAD, Width = 0, MaskAtRead = 0;
    UINT8 Flag = 0xEE;
    Machine.OnEvent = [&](const std::string &) { MaskAtRead = Mask; };
    EXPECT_EQ(gPlatformInfoProtocol.GetUnitInfo(&gPlatformInfoProtocol, &Mask, &Field, &Width, &Flag), EFI_SUCCESS);
    EXPECT_EQ(MaskAtRead, 1U) << "UnitMask is written before the register is read";
    EXPECT_EQ(Flag, C.Flag) << std::hex << C.Raw;
    EXPECT_EQ(Field, C.Field) << std::hex << C.Raw;
    EXPECT_EQ(Width, 8U);
  }
  for (const auto &R : Registers.Reads) EXPECT_EQ(R, (sim::RegisterAccessModel::Read{0, UnitRegister}));
  EXPECT_EQ(Registers.Reads.size(), std::size(Cases)) << "one register per call";
}

}  // namespace
