// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The "DMEM" memory log from arbitrary header state: arbitrary markers and UsedSize, boot
// processor or not, memory present or not, then a few operations (format, validity, and
// records of arbitrary length, including lengths around the free space and the
// capacity). The region is exactly 16 MiB, so any access past it is caught; after every
// operation the whole region must equal a model of the log.
//
// Input: flags (bit 0 not the boot processor, bit 1 no memory, bit 2 trap armed, bit 3
// correct markers, bit 4 UsedSize reduced into the region's range), three marker words
// (when bit 3 is clear), UsedSize, the byte LogData is filled with, then up to three
// operations: 0 init, 1 validity, 2 short record (length byte, text), 3 long record
// (length selector, 4-byte length).
#include <algorithm>

#include "FuzzSupport.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugOutput.h"
#include "debug/MemoryLog.h"

namespace {

constexpr uint32_t kSize = 0x1000000, kHeader = 16, kCapacity = kSize - kHeader, kDiscard = 0x400000;
constexpr uint32_t kTrapTooLong = 0x20850309;

uint32_t Get32(const std::vector<uint8_t> &M, size_t At) {
  uint32_t V;
  std::memcpy(&V, M.data() + At, 4);
  return V;
}
void Put32(std::vector<uint8_t> &M, size_t At, uint32_t V) { std::memcpy(M.data() + At, &V, 4); }

// The log as its format and writer rules say, over a plain copy of the region.
struct LogModel {
  std::vector<uint8_t> &Region;
  bool Boot, Memory, Armed;
  std::vector<uint32_t> Traps;

  bool Valid() const {
    return Boot && Memory && Get32(Region, 0) == 0x4D454D44 && Get32(Region, 4) == 0x55AA55AA &&
           Get32(Region, 12) == 0xBB66BB66 && Get32(Region, 8) <= kSize;
  }
  void Init() {
    if (!Boot || Valid() || !Memory) return;
    Put32(Region, 0, 0x4D454D44);
    Put32(Region, 4, 0x55AA55AA);
    Put32(Region, 8, 0);
    Put32(Region, 12, 0xBB66BB66);
    std::memset(Region.data() + kHeader, 0, kCapacity);
  }
  // The bytes the writer treats as held: a header may claim more than LogData has.
  uint32_t Held() const { return std::min(Get32(Region, 8), kCapacity); }
  void Write(const uint8_t *Text, uint32_t Count) {
    if (!Valid()) return;
    if (Count > kCapacity && Armed) Traps.push_back(kTrapTooLong);
    uint32_t Used = Held();
    uint8_t *Data = Region.data() + kHeader;
    if (uint64_t{Used} + Count > kCapacity) {
      if (Used < kDiscard) return;  // nothing to discard would make room
      const uint32_t Kept = Used - kDiscard;
      std::memmove(Data, Data + kDiscard, Kept);
      std::memset(Data + Kept, 0, kCapacity - Kept);
      Used = Kept;
      if (uint64_t{Used} + Count > kCapacity) {
        Put32(Region, 8, Used);
        return;
      }
    }
    if (Count != 0) std::memcpy(Data + Used, Text, Count);
    Put32(Region, 8, Used + Count);
  }
};

const uint8_t *LongText() {
  static std::vector<uint8_t> Text = [] {
    std::vector<uint8_t> T(kSize + 0x100);
    for (size_t I = 0; I < T.size(); I++) T[I] = static_cast<uint8_t>(I * 13 + (I >> 9));
    return T;
  }();
  return Text.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Reader In(Data, Size);
  const uint8_t Flags = In.Byte();
  uint32_t Markers[3] = {0x4D454D44, 0x55AA55AA, 0xBB66BB66};
  if (!(Flags & 8)) {
    for (uint32_t &M : Markers) M = In.Take<uint32_t>();
  }
  uint32_t Used = In.Take<uint32_t>();
  if (Flags & 16) Used %= kSize + 0x20;
  const uint8_t Fill = In.Byte();

  fuzz::Platform P;
  P.Machine.SimulatorSi = 1;
  P.Machine.Msrs[0x1B] = 0xFEE00000ULL | ((Flags & 1) ? 0 : 0x100);
  CfgPcdBuf.TrapEnable = (Flags & 4) ? 1 : 0;

  // Kept across inputs only to save the allocation; every byte is set here.
  static std::vector<uint8_t> ModelRegion(kSize);
  std::memset(ModelRegion.data(), Fill, kSize);  // memset: the harness's own loops would be traced
  LogModel Model{ModelRegion, !(Flags & 1), !(Flags & 2), (Flags & 4) != 0, {}};
  Put32(Model.Region, 0, Markers[0]);
  Put32(Model.Region, 4, Markers[1]);
  Put32(Model.Region, 8, Used);
  Put32(Model.Region, 12, Markers[2]);
  UINT8 *Region = nullptr;
  if (Model.Memory) {
    P.Machine.AddMemory(0x08A00000ULL, 0x1000000U);
    Region = P.Machine.Window(0x08A00000ULL, 0x1000000U);
    FUZZ_CHECK(Region != nullptr);
    std::memcpy(Region, Model.Region.data(), kSize);
  }

  for (int Op = 0; Op < 3 && In.Left() > 0; Op++) {
    switch (In.Byte() % 4) {
      case 0:
        MemoryLogBackend.Init();
        Model.Init();
        break;
      case 1:
        FUZZ_CHECK(MemoryLogIsValid() == Model.Valid());
        break;
      case 2: {
        std::vector<uint8_t> Text(In.Byte());
        for (uint8_t &B : Text) B = In.Byte();
        MemoryLogBackend.Write(reinterpret_cast<const CHAR8 *>(Text.data()), Text.size());
        Model.Write(Text.data(), static_cast<uint32_t>(Text.size()));
        break;
      }
      case 3: {
        // Lengths at the edges that matter, or any length up to a little over the region.
        const uint32_t Free = kCapacity - Model.Held();
        const uint8_t Selector = In.Byte();
        const uint32_t Raw = In.Take<uint32_t>();
        const uint32_t Choices[] = {Free, Free + 1, Free + kDiscard, Free + kDiscard + 1, kCapacity, kCapacity + 1,
                                    Raw % (kSize + 0x100)};
        const uint32_t Count = Choices[Selector % 7];
        MemoryLogBackend.Write(reinterpret_cast<const CHAR8 *>(LongText()), Count);
        Model.Write(LongText(), Count);
        break;
      }
    }
    if (Region != nullptr) FUZZ_CHECK(std::memcmp(Region, Model.Region.data(), kSize) == 0);
  }

  std::vector<uint32_t> Traps;
  for (const sim::PortAccess &A : P.Machine.PortWrites()) {
    if (A.Port == 0x80 && A.Width == 32) Traps.push_back(A.Value);
  }
  FUZZ_CHECK(Traps == Model.Traps);
  return 0;
}
