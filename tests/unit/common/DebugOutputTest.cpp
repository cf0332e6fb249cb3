// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include <string>
#include <vector>

#include "common/DriverTest.h"
#include "debug/DebugOutput.h"
#include "debug/MemoryLog.h"

namespace {

using sim::Access;
using sim::PortAccess;

unsigned gPresentCalls, gAbsentCalls, gInits, gAbsentInits;
BOOLEAN CountPresent() { return ++gPresentCalls, TRUE; }
BOOLEAN CountAbsent() { return ++gAbsentCalls, FALSE; }
VOID CountInit() { ++gInits; }
VOID CountAbsentInit() { ++gAbsentInits; }
VOID NoWrite(const CHAR8 *, UINTN) {}

const DEBUG_OUTPUT_BACKEND Present = {CountPresent, CountInit, BackendNotPresent, NoWrite};
const DEBUG_OUTPUT_BACKEND Absent = {CountAbsent, CountAbsentInit, BackendNotPresent, NoWrite};

class DebugOutputTest : public DriverTest {
 protected:
  DebugOutputTest() { gPresentCalls = gAbsentCalls = gInits = gAbsentInits = 0; }
};

TEST_F(DebugOutputTest, TheTableHoldsTheThreeBackendsInOrderAndNoneIsPresent) {
  EXPECT_EQ(gDebugOutputBackends[0], &PostPortBackend);
  EXPECT_EQ(gDebugOutputBackends[1], &SerialBackend);
  EXPECT_EQ(gDebugOutputBackends[2], &MemoryLogBackend);
  EXPECT_EQ(gDebugOutputBackends[3], nullptr);
  for (const DEBUG_OUTPUT_BACKEND *const *B = gDebugOutputBackends; *B != nullptr; B++) {
    EXPECT_FALSE((*B)->IsPresent());
    EXPECT_FALSE((*B)->ReservedQuery());
  }
  EXPECT_FALSE(AnyBackendPresent());
}

TEST_F(DebugOutputTest, StartUpBringsNoBackendUpAndLeavesTheLogRegionAlone) {
  Machine.Msrs[0x1BU] = 0xFEE00000ULL | 0x100ULL;
  Machine.AddMemory(0x08A00000ULL, 0x1000000U, 0xA5);
  EXPECT_EQ(DriverEntry(Fw.ImageHandle(), Fw.SystemTable()), EFI_SUCCESS);
  EXPECT_TRUE(Machine.Physical.empty());
  EXPECT_EQ(Machine.Window(0x08A00000ULL, 4)[0], 0xA5) << "no format ran";
  for (const PortAccess &A : Machine.Ports) {
    EXPECT_NE(A.Port, 0x3F8);
    EXPECT_NE(A.Port, 0x3FD);
  }
}

TEST_F(DebugOutputTest, TheStartUpWalkAsksTwiceAndInitsOnlyPresentBackendsWhenAnyIsThere) {
  struct Case {
    std::vector<const DEBUG_OUTPUT_BACKEND *> Table;
    unsigned PresentCalls, AbsentCalls, Inits;
  };
  const Case Cases[] = {
      {{&Absent, &Absent, &Absent}, 0, 3, 0},
      {{&Absent, &Present, &Absent}, 2, 4, 1},
      {{&Present, &Present}, 4, 0, 2},
      {{}, 0, 0, 0},
  };
  for (const Case &C : Cases) {
    gPresentCalls = gAbsentCalls = gInits = gAbsentInits = 0;
    std::vector<const DEBUG_OUTPUT_BACKEND *> Table = C.Table;
    Table.push_back(nullptr);
    StartDebugOutputBackendsIn(Table.data());
    EXPECT_EQ(gPresentCalls, C.PresentCalls) << C.Table.size();
    EXPECT_EQ(gAbsentCalls, C.AbsentCalls) << C.Table.size();
    EXPECT_EQ(gInits, C.Inits) << C.Table.size();
    EXPECT_EQ(gAbsentInits, 0U);
  }
}

TEST_F(DebugOutputTest, BothWalksStopAfter255RecordsInsteadOfWrappingTheIndex) {
  std::vector<const DEBUG_OUTPUT_BACKEND *> Table(300, &Present);
  Table.push_back(nullptr);
  EXPECT_TRUE(AnyBackendPresentIn(Table.data()));
  EXPECT_EQ(gPresentCalls, 255U);
  gPresentCalls = 0;
  StartDebugOutputBackendsIn(Table.data());
  EXPECT_EQ(gPresentCalls, 2 * 255U);
  EXPECT_EQ(gInits, 255U);
}

TEST_F(DebugOutputTest, PostPortFramesTheBytesWithStartAndEndWords) {
  PostPortWrite("AB", 2);
  const std::vector<PortAccess> AB = {{Access::Write, 0x80, 32, 0x5F535452},
                                      {Access::Write, 0x80, 8, 0x41},
                                      {Access::Write, 0x80, 8, 0x42},
                                      {Access::Write, 0x80, 32, 0x5F454E44}};
  EXPECT_EQ(Machine.Ports, AB);

  Machine.Ports.clear();
  PostPortWrite("AB", 0);
  PostPortWrite(nullptr, 5);
  const std::vector<PortAccess> Frames = {{Access::Write, 0x80, 32, 0x5F535452},
                                          {Access::Write, 0x80, 32, 0x5F454E44},
                                          {Access::Write, 0x80, 32, 0x5F535452},
                                          {Access::Write, 0x80, 32, 0x5F454E44}};
  EXPECT_EQ(Machine.Ports, Frames);
}

// A UART whose line status reads Ready from the ReadyOnPoll-th poll after each data
// write (or after the start); before that it reads NotReady.
struct Uart {
  unsigned ReadyOnPoll;
  UINT8 NotReady, Ready;
  unsigned Polls = 0;
};

void Attach(sim::Machine &M, Uart &U) {
  M.PortReaders[0x3FD] = [&U] { return ++U.Polls >= U.ReadyOnPoll ? U.Ready : U.NotReady; };
  M.OnPortWrite = [&U](const PortAccess &A) {
    if (A.Port == 0x3F8) U.Polls = 0;
  };
}

unsigned Polls(const sim::Machine &M) {
  unsigned N = 0;
  for (const PortAccess &A : M.Ports) N += A.Kind == Access::Read && A.Port == 0x3FD;
  return N;
}

std::string Sent(const sim::Machine &M) {
  std::string S;
  for (const PortAccess &A : M.PortWrites()) {
    EXPECT_EQ(A.Port, 0x3F8);
    EXPECT_EQ(A.Width, 8U);
    S += static_cast<char>(A.Value);
  }
  return S;
}

TEST_F(DebugOutputTest, SerialWritesAByteOnlyWhenReadySeenWithinTheFirst1999Polls) {
  struct Case {
    unsigned ReadyOnPoll;
    UINT8 NotReady, Ready;
    unsigned ExpectedPolls;
    bool Written;
  };
  const Case Cases[] = {
      {1, 0x00, 0x60, 1, true},      {2, 0x00, 0xFF, 2, true},   {1999, 0x00, 0x60, 1999, true},
      {2000, 0x00, 0x60, 2000, false}, {2001, 0x00, 0x60, 2000, false},
      // One of the two bits alone is not enough.
      {1, 0x20, 0x20, 2000, false},  {1, 0x40, 0x40, 2000, false}, {3, 0x9F, 0x7F, 3, true},
  };
  for (const Case &C : Cases) {
    Machine.Reset();
    Uart U{C.ReadyOnPoll, C.NotReady, C.Ready};
    Attach(Machine, U);
    SerialWrite("Q", 1);
    EXPECT_EQ(Polls(Machine), C.ExpectedPolls) << C.ReadyOnPoll << " " << int(C.Ready);
    EXPECT_EQ(Sent(Machine), C.Written ? "Q" : "") << C.ReadyOnPoll << " " << int(C.Ready);
  }
}

TEST_F(DebugOutputTest, SerialGivesEveryByteAFreshBudget) {
  Uart Never{~0U, 0x00, 0x00};
  Attach(Machine, Never);
  SerialWrite("abc", 3);
  EXPECT_EQ(Polls(Machine), 3 * 2000U);
  EXPECT_EQ(Sent(Machine), "");

  Machine.Reset();
  Uart Slow{1999, 0x00, 0x60};
  Attach(Machine, Slow);
  SerialWrite("Hi!", 3);
  EXPECT_EQ(Polls(Machine), 3 * 1999U);
  EXPECT_EQ(Sent(Machine), "Hi!");

  Machine.Reset();
  SerialWrite("xyz", 0);
  SerialWrite(nullptr, 3);
  EXPECT_TRUE(Machine.Ports.empty());
}

}  // namespace
