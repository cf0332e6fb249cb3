// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "common/DriverTest.h"
#include "processor/Processor.h"

namespace {

using sim::Access;
using sim::MmioAccess;

constexpr UINT64 IndexRegister = 0xE00000B8;
constexpr UINT64 DataRegister = 0xE00000BC;

class ProcessorClassTest : public DriverTest {
 protected:
  const PROCESSOR_CLASS_PROTOCOL *Protocol = &gProcessorClassProtocol;
};

TEST_F(ProcessorClassTest, InstanceRecord) {
  EXPECT_EQ(Protocol->Revision, 1U);
  EXPECT_EQ(Protocol->GetClassOfThisCore, &GetClassOfThisCore);
  EXPECT_EQ(Protocol->GetClassOfSocket, &GetClassOfSocket);
  EXPECT_EQ(Protocol->GetCoreClassOfThisCore, &GetCoreClassOfThisCore);
}

TEST_F(ProcessorClassTest, BadArgumentsAreRejectedBeforeAnyHardwareAccess) {
  PROCESSOR_CLASS_ID Id{0x11111111, 0x2222};
  EXPECT_EQ(Protocol->GetClassOfThisCore(Protocol, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Protocol->GetCoreClassOfThisCore(Protocol, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Protocol->GetClassOfSocket(Protocol, 0, nullptr), EFI_INVALID_PARAMETER);
  for (UINTN Socket : {UINTN{1}, UINTN{2}, ~UINTN{0}, UINTN{1} << 32}) {
    EXPECT_EQ(Protocol->GetClassOfSocket(Protocol, Socket, &Id), EFI_INVALID_PARAMETER) << Socket;
  }
  EXPECT_TRUE(Machine.CpuidCalls.empty());
  EXPECT_TRUE(Machine.Mmio.empty());
  EXPECT_EQ(Id.FamilyClass, 0x11111111U);
  EXPECT_EQ(Id.RevisionClass, 0x2222U);
}

TEST_F(ProcessorClassTest, SocketSignatureIsReadThroughTheIndexPairAndTheIndexIsRestored) {
  Machine.MmioRegisters[IndexRegister] = 0x12345678;
  Machine.MmioReadHandler = [&](UINT64 Address) -> std::optional<UINT32> {
    if (Address == DataRegister) return Machine.MmioRegisters[IndexRegister] == 0x0005A86C ? 0x00A70F00U : 0xDEADBEEFU;
    return std::nullopt;
  };
  PROCESSOR_CLASS_ID Id{};
  Protocol->GetClassOfSocket(Protocol, 0, &Id);
  const std::vector<MmioAccess> Expected = {
      {Access::Read, IndexRegister, 0x12345678},
      {Access::Write, IndexRegister, 0x0005A86C},
      {Access::Read, DataRegister, 0x00A70F00},
      {Access::Write, IndexRegister, 0x12345678},
  };
  EXPECT_EQ(Machine.Mmio, Expected);
  EXPECT_EQ(Machine.MmioRegisters[IndexRegister], 0x12345678U);
  EXPECT_TRUE(Machine.CpuidCalls.empty()) << "the socket query never asks the executing core";
}

TEST_F(ProcessorClassTest, AllOnesFromTheDataRegisterMatchesNoRow) {
  Machine.MmioRegisters[DataRegister] = 0xFFFFFFFF;
  PROCESSOR_CLASS_ID Id{};
  EXPECT_EQ(Protocol->GetClassOfSocket(Protocol, 0, &Id), EFI_DEVICE_ERROR);
}

TEST_F(ProcessorClassTest, IndexedConfigReadStaysInsideTheWindow) {
  struct Case {
    UINT32 Offset;
    std::vector<MmioAccess> Accesses;
    UINT32 Value;
  };
  const Case Cases[] = {
      // Index register at the last dword: the data register would lie outside.
      {0x0FFFFFFC,
       {{Access::Read, 0xEFFFFFFC, 7}, {Access::Write, 0xEFFFFFFC, 0x0005A86C}, {Access::Write, 0xEFFFFFFC, 7}},
       0xFFFFFFFF},
      {0x10000000, {}, 0xFFFFFFFF},
      // Offset + 4 wraps in 32 bits; it must not land back at the window's start.
      {0xFFFFFFFE, {}, 0xFFFFFFFF},
  };
  for (const Case &C : Cases) {
    Machine.Reset();
    Machine.MmioRegisters[0xEFFFFFFC] = 7;
    Machine.MmioRegisters[0xE0000002] = 0x1234;
    UINT32 Value = 0;
    IndexedConfigRead(C.Offset, &Value);
    EXPECT_EQ(Machine.Mmio, C.Accesses) << std::hex << C.Offset;
    EXPECT_EQ(Value, C.Value) << std::hex << C.Offset;
  }
}

}  // namespace
