// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "processor/Processor.h"

namespace {

constexpr UINT32 MaskRegister = 0x0005D3BC;

class UnitInfoM60Test : public DriverTest {
 protected:
  UnitInfoM60Test() {
    BindSystemTable();
    Fw.Install(gRegisterAccessProtocolGuid, &Registers);
  }
  sim::RegisterAccessModel Registers;
};

TEST_F(UnitInfoM60Test, TheMaskChoosesTheUnitRegister) {
  struct Case {
    UINT32 MaskRaw;
    UINT32 Mask;
    UINT32 UnitRegister;
  };
  const Case Cases[] = {
      {1U << 22, 1, 0x30081CD0},
      {3U << 22, 3, 0x30081CD0},
      {2U << 22, 2, 0x32081CD0},
      {0, 0, 0x34081CD0},
      {~(3U << 22), 0, 0x34081CD0},  // bits around 23..22 do not count
  };
  for (const Case &C : Cases) {
    Registers.Reads.clear();
    Registers.Registers = {{MaskRegister, C.MaskRaw}, {C.UnitRegister, 0x1A5}};
    UINT32 Mask = 0xDEAD, Field = 0, Width = 0, MaskAtUnitRead = 0xDEAD;
    UINT8 Flag = 0;
    Machine.OnEvent = [&](const std::string &E) { MaskAtUnitRead = E == "ReadRegister 0x5D3BC" ? 0xDEAD : Mask; };
    EXPECT_EQ(gPlatformInfoProtocol.GetUnitInfo(&gPlatformInfoProtocol, &Mask, &Field, &Width, &Flag), EFI_SUCCESS);
    EXPECT_EQ(MaskAtUnitRead, C.Mask) << "UnitMask is written before the unit register is read";
    const std::vector<sim::RegisterAccessModel::Read> Expected = {{0, MaskRegister}, {0, C.UnitRegister}};
    EXPECT_EQ(Registers.Reads, Expected) << std::hex << C.MaskRaw;
    EXPECT_EQ(Flag, 1) << std::hex << C.MaskRaw;
    EXPECT_EQ(Field, 0xA5U) << std::hex << C.MaskRaw;
    EXPECT_EQ(Width, 8U);
  }
}

TEST_F(UnitInfoM60Test, FlagIsBit8AndFieldBits7To0OfTheUnitRegister) {
  struct Case {
    UINT32 Raw;
    UINT8 Flag;
    UINT32 Field;
  };
  const Case Cases[] = {
      {0x01FF, 1, 0xFF}, {0x0100, 1, 0x00}, {0x00FF, 0, 0xFF},
      {0x0001, 0, 0x01}, {0xFFFFFE00, 0, 0x00}, {0xFFFFFFFF, 1, 0xFF},
  };
  for (const Case &C : Cases) {
    Registers.Registers = {{MaskRegister, 1U << 22}, {0x30081CD0, C.Raw}};
    UINT32 Field = 0xDEAD;
    UINT8 Flag = 0xEE;
    EXPECT_EQ(gPlatformInfoProtocol.GetUnitInfo(&gPlatformInfoProtocol, nullptr, &Field, nullptr, &Flag), EFI_SUCCESS);
    EXPECT_EQ(Flag, C.Flag) << std::hex << C.Raw;
    EXPECT_EQ(Field, C.Field) << std::hex << C.Raw;
  }
  // Flag is written before Field: at a shared address, Field's 0 stays, not Flag's 1.
  UINT32 Shared = 0xDEAD;
  Registers.Registers[0x30081CD0] = 0x0100;
  EXPECT_EQ(gPlatformInfoProtocol.GetUnitInfo(&gPlatformInfoProtocol, nullptr, &Shared, nullptr, reinterpret_cast<UINT8 *>(&Shared)), EFI_SUCCESS);
  EXPECT_EQ(Shared, 0U);
}

}  // namespace
