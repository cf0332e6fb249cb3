// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "common/ProcessorExpectations.h"
#include "processor/Processor.h"

namespace {

class PlatformInfoTest : public DriverTest {
 protected:
  PlatformInfoTest() { BindSystemTable(); }
  void InstallRegisterAccess() { Fw.Install(gRegisterAccessProtocolGuid, &Registers); }

  const PLATFORM_INFO_PROTOCOL *Protocol = &gPlatformInfoProtocol;
  sim::RegisterAccessModel Registers;
};

TEST_F(PlatformInfoTest, InstanceRecord) {
  EXPECT_EQ(Protocol->Revision, 1U);
  EXPECT_EQ(Protocol->GetInfoByte, &GetInfoByte);
  EXPECT_EQ(Protocol->GetUnitInfo, &GetUnitInfo);
  EXPECT_EQ(Protocol->GetDescriptor, &GetDescriptor);
  EXPECT_EQ(Protocol->ReservedService, &ReservedService);
}

TEST_F(PlatformInfoTest, MissingOutputsAreRejectedWithoutLookingForTheRegisterProtocol) {
  UINT32 Width = 0x77;
  for (bool Installed : {false, true}) {
    if (Installed) InstallRegisterAccess();
    EXPECT_EQ(Protocol->GetInfoByte(Protocol, nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, nullptr, nullptr, nullptr), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, nullptr, &Width, nullptr), EFI_INVALID_PARAMETER);
  }
  EXPECT_EQ(Width, 0x77U);
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), 0U);
  EXPECT_TRUE(Registers.Reads.empty());
}

TEST_F(PlatformInfoTest, MissingRegisterProtocolIsADeviceErrorAndWritesNothing) {
  UINT32 Value = 0x5A5A5A5A, Mask = 0x5A5A5A5A, Field = 0x5A5A5A5A, Width = 0x5A5A5A5A;
  UINT8 Flag = 0x5A;
  EXPECT_EQ(Protocol->GetInfoByte(Protocol, &Value), EFI_DEVICE_ERROR);
  EXPECT_EQ(Protocol->GetUnitInfo(Protocol, &Mask, &Field, &Width, &Flag), EFI_DEVICE_ERROR);
  for (UINT32 V : {Value, Mask, Field, Width}) EXPECT_EQ(V, 0x5A5A5A5AU);
  EXPECT_EQ(Flag, 0x5A);
}

// Only exactly EFI_SUCCESS from LocateProtocol counts, even when an interface came back.
EFI_LOCATE_PROTOCOL gRealLocate = nullptr;
EFI_STATUS EFIAPI LocateWithWarning(const EFI_GUID *Guid, VOID *Registration, VOID **Interface) {
  gRealLocate(Guid, Registration, Interface);
  return EFI_WARN_UNKNOWN_GLYPH;
}

TEST_F(PlatformInfoTest, AWarningFromLocateProtocolCountsAsFailure) {
  InstallRegisterAccess();
  gRealLocate = Fw.BootServices()->LocateProtocol;
  Fw.BootServices()->LocateProtocol = LocateWithWarning;
  UINT32 Value = 0x5A, Field = 0x5A;
  EXPECT_EQ(Protocol->GetInfoByte(Protocol, &Value), EFI_DEVICE_ERROR);
  EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, &Field, nullptr, nullptr), EFI_DEVICE_ERROR);
  Fw.BootServices()->LocateProtocol = gRealLocate;
  EXPECT_EQ(Value, 0x5AU);
  EXPECT_EQ(Field, 0x5AU);
  EXPECT_TRUE(Registers.Reads.empty());
}

TEST_F(PlatformInfoTest, GetInfoByteTakesEightBitsOfItsRegister) {
  InstallRegisterAccess();
  const unsigned Low = expect::InfoByteLowBit;
  struct Case {
    UINT32 Raw, Expected;
  };
  const Case Cases[] = {
      {0xFFU << Low, 0xFF},
      {1U << (Low + 8), 0},
      {Low > 0 ? 1U << (Low - 1) : 0, 0},
      {1U << Low, 0x01},
      {0x80U << Low, 0x80},
      {0xFFFFFFFF, 0xFF},
      {0xA5U << Low | 1U << (Low + 8), 0xA5},
  };
  for (const Case &C : Cases) {
    Registers.Registers[expect::InfoByteRegister] = C.Raw;
    UINT32 Value = 0xDEADBEEF;
    EXPECT_EQ(Protocol->GetInfoByte(Protocol, &Value), EFI_SUCCESS);
    EXPECT_EQ(Value, C.Expected) << std::hex << C.Raw;
  }
  ASSERT_FALSE(Registers.Reads.empty());
  for (const auto &R : Registers.Reads) {
    EXPECT_EQ(R, (sim::RegisterAccessModel::Read{0, expect::InfoByteRegister}));
  }
  EXPECT_EQ(Fw.CallCount(sim::BootService::LocateProtocol), std::size(Cases)) << "located afresh on every call";
}

// NULL outputs skipped; Width written after Field; a failed read answers the cleared buffer.
TEST_F(PlatformInfoTest, UnitOutputsInOrderAndFailedReads) {
  InstallRegisterAccess();
  UINT32 Field = 0xAAAAAAAA, Value = 0xAAAAAAAA;
  EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, &Field, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Field, 0U) << "unset registers read as 0";
  EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, &Field, &Field, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Field, 8U);
  UINT8 Flag = 0xAA;  // Flag alone is an output the hardware answers; only Width is not
  EXPECT_EQ(Protocol->GetUnitInfo(Protocol, nullptr, nullptr, nullptr, &Flag), EFI_SUCCESS);
  EXPECT_EQ(Flag, 0U);
  Registers.Answer = EFI_DEVICE_ERROR;
  Registers.Registers[expect::InfoByteRegister] = 0xFFFFFFFF;
  EXPECT_EQ(Protocol->GetInfoByte(Protocol, &Value), EFI_SUCCESS);
  EXPECT_EQ(Value, 0U);
}

TEST_F(PlatformInfoTest, GetDescriptorAnswersOnlyItsOwnInstance) {
  const PLATFORM_INFO_DESCRIPTOR *First = nullptr, *Second = nullptr;
  EXPECT_EQ(Protocol->GetDescriptor(Protocol, &First), EFI_SUCCESS);
  EXPECT_EQ(Protocol->GetDescriptor(Protocol, &Second), EFI_SUCCESS);
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(First, Second) << "the same static record, not a copy";
  for (int I = 0; I < 4; I++) EXPECT_EQ(First->Word[I], expect::Descriptor[I]) << "word " << I;

  const PLATFORM_INFO_PROTOCOL Foreign = *Protocol;
  const PLATFORM_INFO_DESCRIPTOR Marker{};
  for (const PLATFORM_INFO_PROTOCOL *This : {static_cast<const PLATFORM_INFO_PROTOCOL *>(nullptr), &Foreign}) {
    const PLATFORM_INFO_DESCRIPTOR *Out = &Marker;
    EXPECT_EQ(Protocol->GetDescriptor(This, &Out), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Out, &Marker);
  }
  // No place to put the answer: refused rather than written through NULL.
  EXPECT_EQ(Protocol->GetDescriptor(Protocol, nullptr), EFI_INVALID_PARAMETER);
}

TEST_F(PlatformInfoTest, ReservedServiceAlwaysFails) {
  InstallRegisterAccess();
  EXPECT_EQ(Protocol->ReservedService(Protocol), EFI_DEVICE_ERROR);
  EXPECT_EQ(Protocol->ReservedService(nullptr), EFI_DEVICE_ERROR);
  EXPECT_TRUE(Fw.Calls().empty());
}

}  // namespace
