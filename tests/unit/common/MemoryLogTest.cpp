// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <cstring>
#include <string>
#include <vector>

#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "debug/ErrorTrap.h"
#include "debug/MemoryLog.h"
#include "debug/WriteMemory.h"

namespace {

using sim::Access;
using sim::MmioAccess;
using sim::PortAccess;

constexpr UINT32 kCapacity = 0xFFFFF0U;

struct Header {
  UINT32 Signature = 0x4D454D44U;
  UINT32 GuardA = 0x55AA55AAU;
  UINT32 UsedSize = 0;
  UINT32 GuardB = 0xBB66BB66U;
};

class MemoryLogTest : public DriverTest {
 protected:
  // The region is exactly 16 MiB of its own, so the sanitizer build catches any access
  // past either end.
  MemoryLogTest() { Machine.Msrs[0x1BU] = 0xFEE00000ULL | 0x100ULL; }

  UINT8 *Region() { return Machine.Window(0x08A00000ULL, 0x1000000U); }
  UINT8 *Data() { return Region() + 0x10U; }

  // A log left by an earlier boot: the header given, LogData a position-dependent pattern.
  void LeaveLog(const Header &H) {
    Machine.AddMemory(0x08A00000ULL, 0x1000000U);
    for (UINT32 I = 0; I < kCapacity; I++) Data()[I] = Pattern(I);
    std::memcpy(Region(), &H, sizeof(H));
  }
  static UINT8 Pattern(UINT32 Offset) { return static_cast<UINT8>((Offset * 7 + Offset / 251) | 1); }

  Header ReadHeader() {
    Header H;
    std::memcpy(&H, Region(), sizeof(H));
    return H;
  }
  std::vector<UINT8> Snapshot() { return std::vector<UINT8>(Region(), Region() + 0x1000000U); }
  bool Unchanged(const std::vector<UINT8> &Before) {
    return std::memcmp(Before.data(), Region(), 0x1000000U) == 0;
  }

  // What a discard of the oldest 4 MiB of Used bytes leaves in LogData.
  std::vector<UINT8> AfterDiscard(const std::vector<UINT8> &Before, UINT32 Used) {
    std::vector<UINT8> After = Before;
    if (After.size() != 0x1000000U) return After;
    UINT8 *D = After.data() + 0x10U;
    std::memmove(D, D + 0x400000U, Used - 0x400000U);
    std::memset(D + Used - 0x400000U, 0, kCapacity - (Used - 0x400000U));
    return After;
  }
  bool DataEquals(const std::vector<UINT8> &Expected, UINT32 From, UINT32 To) {
    return std::memcmp(Expected.data() + 0x10U + From, Data() + From, To - From) == 0;
  }
};

TEST_F(MemoryLogTest, InitFormatsAnUnformattedRegion) {
  Machine.AddMemory(0x08A00000ULL, 0x1000000U, 0xA5);
  MemoryLogInit();
  std::vector<std::string> Stores;  // the 32-bit header stores, in order
  for (const auto &E : Machine.Events) if (E.rfind("PHYS-W", 0) == 0) Stores.push_back(E);
  EXPECT_EQ(Stores, (std::vector<std::string>{"PHYS-W 0x8A00000 0x4D454D44", "PHYS-W 0x8A00004 0x55AA55AA",
                                              "PHYS-W 0x8A0000C 0xBB66BB66"}));
  const Header H = ReadHeader();
  EXPECT_EQ(H.Signature, 0x4D454D44U);
  EXPECT_EQ(H.GuardA, 0x55AA55AAU);
  EXPECT_EQ(H.UsedSize, 0U);
  EXPECT_EQ(H.GuardB, 0xBB66BB66U);
  const std::vector<UINT8> Zeros(kCapacity, 0);
  EXPECT_EQ(std::memcmp(Data(), Zeros.data(), kCapacity), 0);
  EXPECT_TRUE(MemoryLogIsValid());

  MemoryLogWrite("hello", 5);
  EXPECT_EQ(std::memcmp(Data(), "hello", 5), 0);
  EXPECT_EQ(Data()[5], 0);
  EXPECT_EQ(ReadHeader().UsedSize, 5U);
  MemoryLogWrite("!", 1);
  EXPECT_EQ(std::memcmp(Data(), "hello!", 6), 0);
  EXPECT_EQ(ReadHeader().UsedSize, 6U);
}

TEST_F(MemoryLogTest, InitLeavesAValidLogAloneAndReformatsAnInvalidOne) {
  struct Case {
    const char *Name;
    Header H;
    bool Valid;
  };
  const Case Cases[] = {
      {"empty", {}, true},
      {"partly used", {.UsedSize = 5}, true},
      {"full", {.UsedSize = kCapacity}, true},
      {"whole region", {.UsedSize = 0x1000000}, true},
      {"past the region", {.UsedSize = 0x1000001}, false},
      {"huge used size", {.UsedSize = 0xFFFFFFFF}, false},
      {"signature", {.Signature = 0x4D454D45}, false},
      {"guard A", {.GuardA = 0x55AA55AB}, false},
      {"guard B", {.GuardB = 0x66BB66BB}, false},
  };
  for (const Case &C : Cases) {
    Machine.Reset();
    Machine.Msrs[0x1BU] = 0x100ULL;
    LeaveLog(C.H);
    EXPECT_EQ(MemoryLogIsValid(), C.Valid) << C.Name;
    const std::vector<UINT8> Before = Snapshot();
    MemoryLogInit();
    if (C.Valid) {
      EXPECT_TRUE(Unchanged(Before)) << C.Name;
    } else {
      EXPECT_EQ(ReadHeader().UsedSize, 0U) << C.Name;
      EXPECT_TRUE(MemoryLogIsValid()) << C.Name;
      EXPECT_EQ(Data()[0], 0) << C.Name;
      EXPECT_EQ(Data()[kCapacity - 1], 0) << C.Name;
    }
  }
}

TEST_F(MemoryLogTest, WithNoMemoryInitStopsAfterTheSignatureDoesNotReadBack) {
  MemoryLogInit();
  const UINT64 B = 0x08A00000ULL;
  const std::vector<MmioAccess> Expected = {
      {Access::Read, B + 0x0, 0xFFFFFFFF}, {Access::Read, B + 0x4, 0xFFFFFFFF},  {Access::Read, B + 0xC, 0xFFFFFFFF},
      {Access::Read, B + 0x8, 0xFFFFFFFF}, {Access::Write, B + 0x0, 0x4D454D44}, {Access::Read, B + 0x0, 0xFFFFFFFF},
  };
  EXPECT_EQ(Machine.Physical, Expected);
  Machine.Physical.clear();
  EXPECT_FALSE(MemoryLogIsValid());
  MemoryLogWrite("lost", 4);
  for (const MmioAccess &A : Machine.Physical) EXPECT_EQ(A.Kind, Access::Read);
}

TEST_F(MemoryLogTest, OffTheBootProcessorNothingIsReadOrWritten) {
  LeaveLog({.UsedSize = 10});
  Machine.Msrs[0x1BU] = 0xFEE00000ULL;
  const std::vector<UINT8> Before = Snapshot();
  EXPECT_FALSE(MemoryLogIsValid());
  MemoryLogInit();
  MemoryLogWrite("ap", 2);
  EXPECT_TRUE(Machine.Physical.empty());
  EXPECT_TRUE(Unchanged(Before));

  // The same region with a broken header is not formatted either.
  Region()[0] = 0;
  MemoryLogInit();
  EXPECT_EQ(Region()[0], 0);
}

TEST_F(MemoryLogTest, ARecordThatExactlyFillsTheLogIsStoredWithoutADiscard) {
  LeaveLog({.UsedSize = kCapacity - 3});
  const std::vector<UINT8> Before = Snapshot();
  MemoryLogWrite("end", 3);
  EXPECT_EQ(ReadHeader().UsedSize, kCapacity);
  EXPECT_TRUE(DataEquals(Before, 0, kCapacity - 3));
  EXPECT_EQ(std::memcmp(Data() + kCapacity - 3, "end", 3), 0);
}

TEST_F(MemoryLogTest, ACountOfZeroChangesNothing) {
  LeaveLog({.UsedSize = 1234});
  const std::vector<UINT8> Before = Snapshot();
  MemoryLogWrite("unused", 0);
  MemoryLogWrite(nullptr, 99);
  EXPECT_TRUE(Unchanged(Before));
}

TEST_F(MemoryLogTest, ARecordThatDoesNotFitDiscardsTheOldest4MiBFirst) {
  LeaveLog({.UsedSize = 0xFFFFEF});
  const std::vector<UINT8> Expected = AfterDiscard(Snapshot(), 0xFFFFEF);
  MemoryLogWrite("WXYZ", 4);
  EXPECT_EQ(ReadHeader().UsedSize, 0xBFFFF3U);
  EXPECT_TRUE(DataEquals(Expected, 0, 0xBFFFEF)) << "bytes 0x400000.. moved down to 0";
  EXPECT_EQ(std::memcmp(Data() + 0xBFFFEF, "WXYZ", 4), 0);
  EXPECT_TRUE(DataEquals(Expected, 0xBFFFF3, kCapacity)) << "the freed tail is zero";
  EXPECT_EQ(Data()[kCapacity - 1], 0);
}

// Headers an earlier boot may have left that the plain algorithm would mishandle.
TEST_F(MemoryLogTest, UsedSizeBeyondTheCapacityIsTreatedAsAFullLog) {
  for (const UINT32 Used : {0xFFFFF1U, 0xFFFFF8U, 0x1000000U}) {
    Machine.Reset();
    Machine.Msrs[0x1BU] = 0x100ULL;
    LeaveLog({.UsedSize = Used});
    const std::vector<UINT8> Before = Snapshot();
    MemoryLogWrite("", 0);
    EXPECT_EQ(ReadHeader().UsedSize, kCapacity) << std::hex << Used;
    EXPECT_TRUE(DataEquals(Before, 0, kCapacity)) << std::hex << Used;

    std::memcpy(Region(), Before.data(), 16);
    const std::vector<UINT8> Expected = AfterDiscard(Before, kCapacity);
    MemoryLogWrite("tail", 4);
    EXPECT_EQ(ReadHeader().UsedSize, 0xBFFFF4U) << std::hex << Used;
    EXPECT_TRUE(DataEquals(Expected, 0, 0xBFFFF0)) << std::hex << Used;
    EXPECT_EQ(std::memcmp(Data() + 0xBFFFF0, "tail", 4), 0);
    EXPECT_TRUE(DataEquals(Expected, 0xBFFFF4, kCapacity));
  }
}

TEST_F(MemoryLogTest, RecordsThatCannotFitAreDroppedAndTheHeaderMatchesTheData) {
  // Text holds only 16 bytes: a dropped record must not be read at all.
  const CHAR8 Text[16] = "never read";
  struct Case {
    const char *Name;
    UINT32 Used;
    UINTN Count;
    bool Discards;
  };
  const Case Cases[] = {
      {"long record, under 4 MiB held", 0x300000, 0xD00000, false},
      {"longer than the capacity, little held", 0x100, 0x1000000, false},
      {"too long even after the discard", 0x500000, 0xEFFFF1, true},
      {"longer than the capacity", 0x800000, kCapacity + 1, true},
      {"count near the top of UINTN", 0x900000, ~static_cast<UINTN>(0), true},
  };
  for (const Case &C : Cases) {
    Machine.Reset();
    Machine.Msrs[0x1BU] = 0x100ULL;
    LeaveLog({.UsedSize = C.Used});
    const std::vector<UINT8> Before = Snapshot();
    MemoryLogWrite(Text, C.Count);
    if (C.Discards) {
      EXPECT_EQ(ReadHeader().UsedSize, C.Used - 0x400000U) << C.Name;
      const std::vector<UINT8> Expected = AfterDiscard(Before, C.Used);
      EXPECT_TRUE(DataEquals(Expected, 0, kCapacity)) << C.Name;
    } else {
      EXPECT_TRUE(Unchanged(Before)) << C.Name;
    }
  }
}

TEST_F(MemoryLogTest, ARecordLongerThanTheCapacityRaisesTheTrapOnlyWhenArmed) {
  const CHAR8 Text[4] = "abc";
  LeaveLog({.UsedSize = 0x10});
  ArmTrapOnSimulator();
  MemoryLogWrite(Text, kCapacity);  // the longest record that is no trap
  EXPECT_TRUE(Machine.PortWrites().empty());

  MemoryLogWrite(Text, kCapacity + 1);
  EXPECT_EQ(Machine.PortWrites(), TrapWrites(0x20850309U));
  EXPECT_EQ(ReadHeader().UsedSize, 0x10U) << "dropped after the trap returned";

  Machine.Ports.clear();
  CfgPcdBuf.TrapEnable = 0;
  MemoryLogWrite(Text, kCapacity + 1);
  EXPECT_TRUE(Machine.PortWrites().empty()) << "disarmed";
}

TEST_F(MemoryLogTest, WriteMemoryStoresExactlyTheWidthOfItsCode) {
  struct Case {
    UINT32 Code;
    size_t Bytes;
  };
  const Case Cases[] = {{1, 1}, {0x81, 1}, {2, 2}, {0x82, 2}, {3, 4}, {0x83, 4},
                        {0, 0}, {4, 0},    {0x84, 0}, {0x80, 0}, {0x101, 0}, {0xFFFFFFFF, 0}};
  const UINT8 Source[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  for (const bool Armed : {false, true}) {
    for (const Case &C : Cases) {
      Machine.Reset();
      CfgPcdBuf.TrapEnable = Armed;
      Machine.SimulatorSi = 1;
      UINT8 Target[10];
      std::memset(Target, 0xEE, sizeof(Target));
      WriteMemory(C.Code, Target + 1, Source);  // unaligned on purpose
      EXPECT_EQ(Target[0], 0xEE) << C.Code;
      for (size_t I = 0; I < 9; I++) {
        EXPECT_EQ(Target[1 + I], I < C.Bytes ? Source[I] : 0xEE) << C.Code << " byte " << I;
      }
      const bool Traps = Armed && C.Bytes == 0;
      EXPECT_EQ(Machine.PortWrites(), Traps ? TrapWrites(0x00010320U) : std::vector<PortAccess>{})
          << C.Code;
    }
  }
}

}  // namespace
