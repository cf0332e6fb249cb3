// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Scriptable model of the processor and buses behind arch/Arch.h, for host tests.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "efi/UefiBaseType.h"

namespace sim {

struct CpuidResult {
  UINT32 Eax = 0, Ebx = 0, Ecx = 0, Edx = 0;
};

struct CpuidCall {
  UINT32 Leaf;
  UINT32 SubLeaf;
};

enum class Access { Read, Write };

struct PortAccess {
  Access Kind;
  UINT16 Port;
  unsigned Width;  // 8, 16 or 32
  UINT32 Value;
  bool operator==(const PortAccess &) const = default;
};

struct MmioAccess {
  Access Kind;
  UINT64 Address;
  UINT32 Value;
  bool operator==(const MmioAccess &) const = default;
};

// Thrown by a test's hook to end code that never returns on real hardware (the error
// trap's display loop); the host build has exceptions, so it unwinds through the driver.
struct StopMachine : std::runtime_error {
  StopMachine() : std::runtime_error("machine stopped by test") {}
};

class Machine {
 public:
  // Everything back to a blank machine: no CPUID leaves, no MSRs, no memory, empty logs.
  void Reset();

  // One ordered log of everything the driver does to the outside: boot-service calls
  // ("LocateProtocol <GUID>"), PCD reads ("Get8 150"), outside-protocol calls
  // ("ReadRegister 0x0005D528", "Print 0x80000000"), and the machine accesses ("CPUID
  // 0x80000001", "RDMSR 0x1B", "RDTSC", "OUT16 0xE0 0xDEAD", "IN8 0x3FD", "MMIO-W 0x...",
  // "PHYS-R 0x..."). Stores through a physical window are not seen. OnEvent runs as each
  // event happens, so a test can look at the driver's state at that moment.
  std::vector<std::string> Events;
  std::function<void(const std::string &Event)> OnEvent;
  void Note(std::string Event);
  // Index of the first event at or after From that starts with Prefix; Events.size() if none.
  size_t Find(const std::string &Prefix, size_t From = 0) const;

  // CPUID: unknown leaves answer zeros.
  std::map<UINT32, CpuidResult> Cpuid;
  std::vector<CpuidCall> CpuidCalls;
  // Value the simulator query leaves in SI (0: real hardware).
  UINT16 SimulatorSi = 0;
  unsigned SimulatorQueries = 0;

  // MSRs: reading one that is not set fails the test loudly.
  std::map<UINT32, UINT64> Msrs;
  std::vector<UINT32> MsrReads;

  // Time-stamp counter: every read returns the current value, then adds TscStep.
  UINT64 Tsc = 0;
  UINT64 TscStep = 1;
  std::vector<UINT64> TscReads;
  unsigned Pauses = 0;

  // Port I/O: every access is logged. A read handler answers reads of its port (others
  // read 0xFF, as a floating bus); the write hook sees every write after it is logged.
  std::vector<PortAccess> Ports;
  std::map<UINT16, std::function<UINT8()>> PortReaders;
  std::function<void(const PortAccess &)> OnPortWrite;

  // Memory-mapped registers: a plain 32-bit store by default; handlers may model devices.
  std::vector<MmioAccess> Mmio;
  std::map<UINT64, UINT32> MmioRegisters;
  std::function<std::optional<UINT32>(UINT64 Address)> MmioReadHandler;
  std::function<bool(UINT64 Address, UINT32 Value)> MmioWriteHandler;

  // Physical memory regions that ArchPhysicalWindow can hand out. ArchPhysicalRead32 and
  // ArchPhysicalWrite32 reach the same bytes and are logged; outside every region reads
  // answer 0xFFFFFFFF and writes are dropped, as on a bus where nothing decodes.
  std::vector<MmioAccess> Physical;
  void AddMemory(UINT64 Base, UINT64 Size, UINT8 Fill = 0);
  UINT8 *Window(UINT64 Address, UINT64 Length);

  // Convenience: the processor signature and package type of leaf 0x80000001.
  void SetSignature(UINT32 Eax, UINT32 Ebx = 0);
  // Only the port writes, in order.
  std::vector<PortAccess> PortWrites() const;

 private:
  struct Region {
    UINT64 Base;
    std::vector<UINT8> Bytes;
  };
  std::vector<Region> Memory;
};

Machine &TheMachine();
std::string Hex(UINT64 Value);

}  // namespace sim
