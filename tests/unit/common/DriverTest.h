// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Common fixture: a fresh simulated firmware and machine, and the driver's globals back
// to their load-time values, for every test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/common/Published.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "framework/Framework.h"
#include "testing/sim/Sim.h"

// Puts every module global of the driver back to its value at image load.
void ResetDriverGlobals();

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() {
    sim::TheMachine().Reset();
    ResetDriverGlobals();
  }
  ~DriverTest() override { ResetDriverGlobals(); }

  // Start-up step 1 only, for tests of a single routine.
  void BindSystemTable() {
    gSystemTable = Fw.SystemTable();
    gBootServices = Fw.BootServices();
  }

  // The (service, GUID) pairs the driver called, in order; GUID-less calls carry a zero GUID.
  std::vector<std::pair<std::string, std::string>> CallTrace() const {
    std::vector<std::pair<std::string, std::string>> Out;
    for (const auto &C : Fw.Calls()) {
      const bool NoGuid = C.Guid == EFI_GUID{};
      Out.emplace_back(sim::ServiceName(C.Service), NoGuid ? std::string() : sim::GuidText(C.Guid));
    }
    return Out;
  }

  // The trap armed, on a simulator: it announces itself and returns instead of spinning.
  void ArmTrapOnSimulator() {
    CfgPcdBuf.TrapEnable = 1;
    Machine.SimulatorSi = 1;
  }
  // What an announced trap writes: 0xDEAD to port 0xE0, then the code to port 0x80.
  static std::vector<sim::PortAccess> TrapWrites(UINT32 Code) {
    return {{sim::Access::Write, 0xE0, 16, 0xDEAD}, {sim::Access::Write, 0x80, 32, Code}};
  }

  sim::Firmware Fw;
  sim::Machine &Machine = sim::TheMachine();
};

inline std::pair<std::string, std::string> Call(const std::string &Service, const EFI_GUID &Guid) {
  return {Service, sim::GuidText(Guid)};
}
inline std::pair<std::string, std::string> Call(const std::string &Service) { return {Service, std::string()}; }
