// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "cfgbuf/CfgPcdBuf.h"
#include "common/DriverTest.h"
#include "debug/ErrorTrap.h"

namespace {

using sim::Access;
using sim::PortAccess;

constexpr UINT32 kPStateStatus = 0xC0010063U;
constexpr UINT32 kPStateDef0 = 0xC0010064U;
constexpr UINT32 kFamily19h = 0x00A70F52U;
constexpr UINT32 kFamily1Ah = 0x00B40F00U;

class ErrorTrapTest : public DriverTest {
 protected:
  // Older-format P-state 0 with the given FID and DID.
  void OlderPState(UINT32 Fid, UINT32 Did) {
    Machine.SetSignature(kFamily19h);
    Machine.Msrs[kPStateStatus] = 0;
    Machine.Msrs[kPStateDef0] = (UINT64{Did} << 8) | Fid;
  }
};

// What one display step left behind: the value written and the hold that followed it.
struct DisplayStep {
  UINT32 Value;
  std::vector<UINT64> TscReads;
  unsigned Pauses;
};

// Runs the trap on real hardware until the display has shown Cycles full cycles, then
// stops the machine at the next display write.
std::vector<DisplayStep> RunDisplay(sim::Machine &M, UINT32 Code, unsigned Cycles) {
  std::vector<DisplayStep> Steps;
  size_t TscMark = 0;
  unsigned PauseMark = 0;
  auto CloseStep = [&] {
    if (!Steps.empty()) {
      Steps.back().TscReads.assign(M.TscReads.begin() + TscMark, M.TscReads.end());
      Steps.back().Pauses = M.Pauses - PauseMark;
    }
    TscMark = M.TscReads.size();
    PauseMark = M.Pauses;
  };
  unsigned Writes = 0;
  M.OnPortWrite = [&](const PortAccess &A) {
    if (++Writes <= 2) return;  // the announcement
    CloseStep();
    if (Steps.size() == 6 * Cycles) throw sim::StopMachine();
    Steps.push_back({A.Value, {}, 0});
  };
  EXPECT_THROW(ErrorTrap(Code), sim::StopMachine);
  M.OnPortWrite = nullptr;
  return Steps;
}

TEST_F(ErrorTrapTest, OnASimulatorTheTrapAnnouncesAndReturns) {
  // The answer is all 16 bits of SI: 0x0100 says "simulator" as surely as 0x1234.
  for (UINT16 Si : {0x1234, 0x0100}) {
    SCOPED_TRACE(Si);
    Machine.Ports.clear();
    Machine.SimulatorQueries = 0;
    Machine.SimulatorSi = Si;
    Machine.OnPortWrite = [&](const PortAccess &) {
      if (Machine.Ports.size() > 2) throw sim::StopMachine();  // the display loop: it did not return
    };
    EXPECT_EQ(ErrorTrap(0x00080225), FALSE);
    Machine.OnPortWrite = nullptr;
    EXPECT_EQ(Machine.PortWrites(), TrapWrites(0x00080225));
    EXPECT_EQ(Machine.SimulatorQueries, 1U);
    EXPECT_TRUE(Machine.MsrReads.empty());
    EXPECT_TRUE(Machine.TscReads.empty());
  }
}

TEST_F(ErrorTrapTest, OnRealHardwareTheDisplayCyclesDeadAndTheCodeEvery2Point5Seconds) {
  // 3 MHz (FID 1, DID 60): 7,500,000 ticks per hold. The counter steps so that one read
  // lands exactly on the deadline, which must still be waited past.
  OlderPState(1, 60);
  Machine.Tsc = 1000;
  Machine.TscStep = 2500000;
  struct Case {
    UINT32 Code;
    std::vector<UINT32> Cycle;
  };
  const Case Cases[] = {
      {0x00080225, {0x250000DE, 0x0000DEAD, 0x00DEAD00, 0xDEAD0008, 0xAD000802, 0x00080225}},
      {0x00000000, {0x000000DE, 0x0000DEAD, 0x00DEAD00, 0xDEAD0000, 0xAD000000, 0x00000000}},
      {0x12345678, {0x780000DE, 0x0000DEAD, 0x00DEAD12, 0xDEAD1234, 0xAD123456, 0x12345678}},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Code);
    Machine.Ports.clear();
    const auto Steps = RunDisplay(Machine, C.Code, 2);
    ASSERT_EQ(Machine.Ports.size(), 2U + 12U + 1U);
    EXPECT_EQ(Machine.Ports[0], (PortAccess{Access::Write, 0xE0, 16, 0xDEAD}));
    EXPECT_EQ(Machine.Ports[1], (PortAccess{Access::Write, 0x80, 32, C.Code}));
    for (size_t I = 2; I < Machine.Ports.size(); I++) {
      EXPECT_EQ(Machine.Ports[I].Port, 0x80);
      EXPECT_EQ(Machine.Ports[I].Width, 32U);
    }
    // The 13th display write starts a third cycle with step 1 again (16-bit re-rotation).
    EXPECT_EQ(Machine.Ports.back().Value, C.Cycle[0]);
    ASSERT_EQ(Steps.size(), 12U);
    for (size_t I = 0; I < Steps.size(); I++) {
      SCOPED_TRACE(I);
      EXPECT_EQ(Steps[I].Value, C.Cycle[I % 6]);
      // Start, start + 2.5M, + 5M, + 7.5M (= deadline, still held), + 10M (past it).
      const auto &R = Steps[I].TscReads;
      ASSERT_EQ(R.size(), 5U);
      const UINT64 Deadline = R[0] + 7500000;
      for (size_t J = 1; J + 1 < R.size(); J++) EXPECT_LE(R[J], Deadline);
      EXPECT_GT(R.back(), Deadline);
      EXPECT_EQ(R[3], Deadline);
      // No pause before the first comparison, one after every read still in the hold.
      EXPECT_EQ(Steps[I].Pauses, 3U);
    }
  }
  // The frequency was read once, before the first hold began, and then served from the cache.
  EXPECT_EQ(Machine.MsrReads, (std::vector<UINT32>{kPStateStatus, kPStateDef0}));
  EXPECT_LT(Machine.Find("RDMSR 0xC0010064"), Machine.Find("RDTSC"));
  EXPECT_EQ(gCoreFrequencyHz, 3000000ULL);
}

TEST_F(ErrorTrapTest, TheSiteRuleTrapsOnlyWhenArmed) {
  Machine.SimulatorSi = 1;
  CfgPcdBuf.TrapEnable = 0;
  RaiseTrapIfArmed(0x20910056U);
  EXPECT_TRUE(Machine.Ports.empty());
  EXPECT_EQ(Machine.SimulatorQueries, 0U);

  // Any nonzero value arms it.
  CfgPcdBuf.TrapEnable = 2;
  RaiseTrapIfArmed(0x20910056U);
  EXPECT_EQ(Machine.PortWrites(), TrapWrites(0x20910056U));
}

TEST_F(ErrorTrapTest, CoreFrequencyFromBothPStateFormats) {
  struct Case {
    const char *Name;
    UINT32 Signature;
    UINT64 Status;      // P-state status MSR
    UINT64 Definition;  // definition of the selected P-state
    UINT64 Hz;
  };
  const Case Cases[] = {
      {"FID 64h DID 8", kFamily19h, 0, 0x0864, 2500000000ULL},
      {"FID 64h DID 0Ah", kFamily19h, 0, 0x0A64, 2000000000ULL},
      {"DID 3Ch truncates", kFamily19h, 0, 0x3C64, 333000000ULL},
      {"DID 7 counts as 8", kFamily19h, 0, 0x0764, 2500000000ULL},
      {"DID 3Dh counts as 8", kFamily19h, 0, 0x3D64, 2500000000ULL},
      {"DID bits above 13 ignored", kFamily19h, 0, 0xFFFFFFFF00000864ULL, 2500000000ULL},
      {"DID 0", kFamily19h, 0, 0x0064, 0},
      {"P-state index from bits 2:0", kFamily19h, 0xFFFFFFF5ULL, 0x0A64, 2000000000ULL},
      {"newer format", kFamily1Ah, 0, 0x1F4, 2500000000ULL},
      {"newer format masks to 12 bits", kFamily1Ah, 0, 0xFFFFF1F4ULL, 2500000000ULL},
      {"newer format, later family", 0x00C00F00, 0, 0x0FFF, 4095ULL * 5000000},
      {"extended family 0Ah is older", 0x00A00F00, 0, 0x0864, 2500000000ULL},
      {"base family not F is older", 0x00B00600, 0, 0x0864, 2500000000ULL},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    Machine.Reset();
    gCoreFrequencyHz = 0;
    Machine.SetSignature(C.Signature, 0xFFFFFFFF);
    Machine.Msrs[kPStateStatus] = C.Status;
    const UINT32 Index = kPStateDef0 + static_cast<UINT32>(C.Status & 7);
    Machine.Msrs[Index] = C.Definition;
    EXPECT_EQ(GetCoreFrequencyHz(), C.Hz);
    EXPECT_EQ(Machine.MsrReads, (std::vector<UINT32>{kPStateStatus, Index}));
    ASSERT_EQ(Machine.CpuidCalls.size(), 1U);
    EXPECT_EQ(Machine.CpuidCalls[0].Leaf, 0x80000001U);
    EXPECT_EQ(gCoreFrequencyHz, C.Hz);
  }
}

TEST_F(ErrorTrapTest, OnlyANonzeroFrequencyIsServedFromTheCache) {
  OlderPState(0x64, 0);
  EXPECT_EQ(GetCoreFrequencyHz(), 0U);
  EXPECT_EQ(GetCoreFrequencyHz(), 0U);
  EXPECT_EQ(Machine.MsrReads.size(), 4U) << "a zero result is looked up again";

  Machine.Msrs[kPStateDef0] = 0x0864;
  EXPECT_EQ(GetCoreFrequencyHz(), 2500000000ULL);
  Machine.Msrs[kPStateDef0] = 0x0A64;
  EXPECT_EQ(GetCoreFrequencyHz(), 2500000000ULL);
  EXPECT_EQ(Machine.MsrReads.size(), 6U);
  EXPECT_EQ(Machine.CpuidCalls.size(), 3U);

  // A value already stored is returned without touching the processor.
  Machine.Reset();
  gCoreFrequencyHz = 1234;
  EXPECT_EQ(GetCoreFrequencyHz(), 1234U);
  EXPECT_TRUE(Machine.MsrReads.empty());
  EXPECT_TRUE(Machine.CpuidCalls.empty());
}

}  // namespace
