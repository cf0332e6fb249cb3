// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "testing/sim/Machine.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "arch/Arch.h"

namespace sim {

Machine &TheMachine() {
  static Machine Instance;
  return Instance;
}

void Machine::Reset() { *this = Machine(); }

void Machine::Note(std::string Event) {
  Events.push_back(std::move(Event));
  if (OnEvent) OnEvent(Events.back());
}

size_t Machine::Find(const std::string &Prefix, size_t From) const {
  for (size_t I = From; I < Events.size(); I++) {
    if (Events[I].compare(0, Prefix.size(), Prefix) == 0) return I;
  }
  return Events.size();
}

std::string Hex(UINT64 Value) {
  char Text[24];
  std::snprintf(Text, sizeof(Text), "0x%llX", static_cast<unsigned long long>(Value));
  return Text;
}

void Machine::AddMemory(UINT64 Base, UINT64 Size, UINT8 Fill) {
  Memory.push_back(Region{Base, std::vector<UINT8>(Size, Fill)});
}

UINT8 *Machine::Window(UINT64 Address, UINT64 Length) {
  for (Region &R : Memory) {
    if (Address >= R.Base && Length <= R.Bytes.size() && Address - R.Base <= R.Bytes.size() - Length) {
      return R.Bytes.data() + (Address - R.Base);
    }
  }
  return nullptr;
}

void Machine::SetSignature(UINT32 Eax, UINT32 Ebx) { Cpuid[0x80000001U] = CpuidResult{Eax, Ebx, 0, 0}; }

std::vector<PortAccess> Machine::PortWrites() const {
  std::vector<PortAccess> Out;
  for (const PortAccess &A : Ports) {
    if (A.Kind == Access::Write) Out.push_back(A);
  }
  return Out;
}

}  // namespace sim

using sim::TheMachine;

void ArchCpuid(UINT32 Leaf, UINT32 SubLeaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  sim::Machine &M = TheMachine();
  M.CpuidCalls.push_back({Leaf, SubLeaf});
  M.Note("CPUID " + sim::Hex(Leaf));
  sim::CpuidResult R;
  if (auto It = M.Cpuid.find(Leaf); It != M.Cpuid.end()) R = It->second;
  if (Eax) *Eax = R.Eax;
  if (Ebx) *Ebx = R.Ebx;
  if (Ecx) *Ecx = R.Ecx;
  if (Edx) *Edx = R.Edx;
}

UINT16 ArchSimulatorQuery() {
  sim::Machine &M = TheMachine();
  M.SimulatorQueries++;
  M.Note("CPUID 0xBACCD00B");
  return M.SimulatorSi;
}

UINT64 ArchReadMsr(UINT32 Index) {
  sim::Machine &M = TheMachine();
  M.MsrReads.push_back(Index);
  M.Note("RDMSR " + sim::Hex(Index));
  auto It = M.Msrs.find(Index);
  if (It == M.Msrs.end()) {
    // A real processor raises #GP here; a test that reaches it has set up too little.
    throw std::logic_error("read of unmodelled MSR " + std::to_string(Index));
  }
  return It->second;
}

UINT64 ArchReadTsc() {
  sim::Machine &M = TheMachine();
  const UINT64 Value = M.Tsc;
  M.TscReads.push_back(Value);
  M.Note("RDTSC");
  M.Tsc += M.TscStep;
  return Value;
}

void ArchPause() { TheMachine().Pauses++; }

UINT8 ArchIoRead8(UINT16 Port) {
  sim::Machine &M = TheMachine();
  UINT8 Value = 0xFF;
  if (auto It = M.PortReaders.find(Port); It != M.PortReaders.end()) Value = It->second();
  M.Ports.push_back({sim::Access::Read, Port, 8, Value});
  M.Note("IN8 " + sim::Hex(Port));
  return Value;
}

static void PortWrite(UINT16 Port, unsigned Width, UINT32 Value) {
  sim::Machine &M = TheMachine();
  M.Ports.push_back({sim::Access::Write, Port, Width, Value});
  M.Note("OUT" + std::to_string(Width) + " " + sim::Hex(Port) + " " + sim::Hex(Value));
  if (M.OnPortWrite) M.OnPortWrite(M.Ports.back());
}

void ArchIoWrite8(UINT16 Port, UINT8 Value) { PortWrite(Port, 8, Value); }
void ArchIoWrite16(UINT16 Port, UINT16 Value) { PortWrite(Port, 16, Value); }
void ArchIoWrite32(UINT16 Port, UINT32 Value) { PortWrite(Port, 32, Value); }

UINT32 ArchMmioRead32(UINT64 Address) {
  sim::Machine &M = TheMachine();
  UINT32 Value = 0xFFFFFFFF;
  std::optional<UINT32> Handled;
  if (M.MmioReadHandler) Handled = M.MmioReadHandler(Address);
  if (Handled) {
    Value = *Handled;
  } else if (auto It = M.MmioRegisters.find(Address); It != M.MmioRegisters.end()) {
    Value = It->second;
  }
  M.Mmio.push_back({sim::Access::Read, Address, Value});
  M.Note("MMIO-R " + sim::Hex(Address));
  return Value;
}

void ArchMmioWrite32(UINT64 Address, UINT32 Value) {
  sim::Machine &M = TheMachine();
  M.Mmio.push_back({sim::Access::Write, Address, Value});
  M.Note("MMIO-W " + sim::Hex(Address) + " " + sim::Hex(Value));
  if (M.MmioWriteHandler && M.MmioWriteHandler(Address, Value)) return;
  M.MmioRegisters[Address] = Value;
}

UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length) { return TheMachine().Window(Address, Length); }

UINT32 ArchPhysicalRead32(UINT64 Address) {
  sim::Machine &M = TheMachine();
  UINT32 Value = 0xFFFFFFFF;
  if (const UINT8 *P = M.Window(Address, 4)) std::memcpy(&Value, P, 4);
  M.Physical.push_back({sim::Access::Read, Address, Value});
  M.Note("PHYS-R " + sim::Hex(Address));
  return Value;
}

void ArchPhysicalWrite32(UINT64 Address, UINT32 Value) {
  sim::Machine &M = TheMachine();
  M.Physical.push_back({sim::Access::Write, Address, Value});
  M.Note("PHYS-W " + sim::Hex(Address) + " " + sim::Hex(Value));
  if (UINT8 *P = M.Window(Address, 4)) std::memcpy(P, &Value, 4);
}
