// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The I/O APIC fix-up over arbitrary interrupt tables: arbitrary rows and counts, each
// table mapped exactly as large as its count needs, so a read or write past the last
// field is caught. The result is compared byte for byte with a model of the fix-up.
//
// Input: token 150, token 152, I/O APIC row count, routing row count, flags (bit 0 no
// I/O APIC table, bit 1 no routing table, bit 2 no PCD protocol, bit 3 no interrupt-table
// protocol), then the table bytes (I/O APIC table first; missing bytes read as zero).
#include "FuzzSupport.h"
#include "tests/common/Published.h"
#include "ioapic/IoApic.h"

namespace {

constexpr size_t kMaxIoApicRows = 8;
constexpr size_t kMaxRoutingRows = 6;

// Smallest tables that hold their count and every field of every row.
size_t IoApicTableSize(uint32_t Rows) { return Rows == 0 ? 20 : 24 * size_t{Rows} + 8; }
size_t RoutingTableSize(uint32_t Rows) { return Rows == 0 ? 28 : 345 * size_t{Rows} - 264; }

void Put32(std::vector<uint8_t> &T, size_t At, uint32_t V) { std::memcpy(T.data() + At, &V, 4); }

// The fix-up as its contract reads, on copies of the tables.
void ModelSetIoApicId(uint8_t NewId, uint64_t Address, std::vector<uint8_t> *IoApic, std::vector<uint8_t> *Routing) {
  uint8_t OldId = 1;
  if (IoApic != nullptr) {
    uint32_t Count;
    std::memcpy(&Count, IoApic->data() + 16, 4);
    for (uint32_t I = 0; I < Count; I++) {
      uint64_t Base;
      std::memcpy(&Base, IoApic->data() + 20 + 24 * I, 8);
      if (Base == Address) {
        OldId = (*IoApic)[28 + 24 * I];
        Put32(*IoApic, 28 + 24 * I, NewId);
      }
    }
  }
  if (Routing != nullptr) {
    uint32_t Count;
    std::memcpy(&Count, Routing->data() + 24, 4);
    for (uint32_t R = 0; R < Count; R++) {
      for (int J = 0; J < 4; J++) {
        const size_t Item = 73 + 345 * size_t{R} + 2 * J;
        const uint8_t Input = (*Routing)[Item];
        if ((*Routing)[Item + 1] == OldId && Input >= 24 && Input <= 55) (*Routing)[Item + 1] = NewId;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Reader In(Data, Size);
  const uint8_t Token150 = In.Byte();
  const uint8_t Token152 = In.Byte();
  const uint32_t IoApicRows = In.Byte() % (kMaxIoApicRows + 1);
  const uint32_t RoutingRows = In.Byte() % (kMaxRoutingRows + 1);
  const uint8_t Flags = In.Byte();

  // Heap vectors of the exact size: ASan guards the byte after each table.
  std::vector<uint8_t> IoApic(IoApicTableSize(IoApicRows));
  std::vector<uint8_t> Routing(RoutingTableSize(RoutingRows));
  for (uint8_t &B : IoApic) B = In.Byte();
  for (uint8_t &B : Routing) B = In.Byte();
  Put32(IoApic, 16, IoApicRows);
  Put32(Routing, 24, RoutingRows);

  const bool WithIoApic = !(Flags & 1), WithRouting = !(Flags & 2);
  const bool WithPcd = !(Flags & 4), WithProtocol = !(Flags & 8);
  std::vector<uint8_t> Interface(40, 0xA5);
  const uint64_t RoutingPointer = WithRouting ? reinterpret_cast<uint64_t>(Routing.data()) : 0;
  const uint64_t IoApicPointer = WithIoApic ? reinterpret_cast<uint64_t>(IoApic.data()) : 0;
  std::memcpy(Interface.data() + 16, &RoutingPointer, 8);
  std::memcpy(Interface.data() + 32, &IoApicPointer, 8);

  std::vector<uint8_t> WantIoApic = IoApic, WantRouting = Routing;
  if (WithPcd && WithProtocol) {
    ModelSetIoApicId(Token150, 0xFEC00000, WithIoApic ? &WantIoApic : nullptr, WithRouting ? &WantRouting : nullptr);
    ModelSetIoApicId(Token152, 0xFEC01000, WithIoApic ? &WantIoApic : nullptr, WithRouting ? &WantRouting : nullptr);
  }
  const std::vector<uint8_t> WantInterface = Interface;

  fuzz::Platform P;
  sim::PcdModel Pcd;
  Pcd.Tokens[150] = Token150;
  Pcd.Tokens[152] = Token152;
  if (WithPcd) P.Fw.Install(gPcdProtocolGuid, Pcd.Protocol());
  if (WithProtocol) P.Fw.Install(gInterruptTableProtocolGuid, Interface.data());

  IoApicIdFixup(nullptr, nullptr);

  FUZZ_CHECK(IoApic == WantIoApic);
  FUZZ_CHECK(Routing == WantRouting);
  FUZZ_CHECK(Interface == WantInterface);
  if (WithPcd) {
    // Token 152 is read only after the first I/O APIC is done; both are read either way.
    FUZZ_CHECK((Pcd.Reads == std::vector<sim::PcdModel::Read>{{"Get8", 150}, {"Get8", 152}}));
  }
  FUZZ_CHECK(P.Fw.CallCount(sim::BootService::LocateProtocol) <= 3);
  return 0;
}
