// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Arbitrary bytes as the HOB list: the GUID-HOB walk and the heap migration over it, with
// optional allocation and install faults and the trap armed on a simulator. Checked
// against a model of which HOBs must become nodes.
//
// Input: byte 0 flags (bit 0 trap armed, bit 1 a heap list already published, bit 2 the
// install fails), byte 1 the AllocatePool call that fails (0: none), then the HOB list.
// The list is followed by 64 KiB of 0xFF, the most a 16-bit HobLength can jump, so any
// walk ends on an end-of-list type inside mapped memory.
#include "FuzzSupport.h"
#include "tests/common/HeapHobModel.h"
#include "tests/common/Published.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "heap/HeapMigration.h"

#include <Protocol/HeapList.h>

namespace {

constexpr size_t kGuardBytes = 0x10000 + 64;

struct ExpectedNode {
  size_t HeaderOffset;
  HEAP_HOB_HEADER Header;
};

// Independent of the driver: which HOBs carry a buffer that must be migrated.
std::vector<ExpectedNode> EligibleHobs(const uint8_t *List) {
  std::vector<const UINT8 *> Found(model::HeapHobsThatMigrate(List, nullptr, 0));
  model::HeapHobsThatMigrate(List, Found.data(), Found.size());
  std::vector<ExpectedNode> Out;
  for (const UINT8 *Hob : Found) {
    HEAP_HOB_HEADER Header;
    std::memcpy(&Header, Hob + 24, sizeof(Header));
    Out.push_back({static_cast<size_t>(Hob - List) + 24, Header});
  }
  return Out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Reader In(Data, Size);
  const uint8_t Flags = In.Byte();
  const uint8_t FailingAllocation = In.Byte();
  const std::vector<uint8_t> Bytes = In.Rest();

  // UINT64 storage keeps the list start 8-byte aligned, as PI 1.8 has it.
  std::vector<UINT64> Storage((Bytes.size() + kGuardBytes + 7) / 8);
  uint8_t *List = reinterpret_cast<uint8_t *>(Storage.data());
  std::memset(List, 0xFF, Storage.size() * 8);
  if (!Bytes.empty()) std::memcpy(List, Bytes.data(), Bytes.size());

  fuzz::Platform P;
  P.Fw.AddConfigurationTable(gEfiHobListGuid, List);
  HEAP_LIST_PROTOCOL Earlier = {1, {&Earlier.HeapList, &Earlier.HeapList}};
  const bool Adopt = Flags & 2;
  if (Adopt) P.Fw.Install(gHeapListProtocolGuid, &Earlier);
  if (Flags & 4) P.Fw.FailInstallOf(gHeapListProtocolGuid, EFI_OUT_OF_RESOURCES);
  if (FailingAllocation != 0) P.Fw.FailCall(sim::BootService::AllocatePool, FailingAllocation, EFI_OUT_OF_RESOURCES);
  CfgPcdBuf.TrapEnable = Flags & 1;
  P.Machine.SimulatorSi = 1;

  MigrateHeapHobs();

  if (Adopt) {
    FUZZ_CHECK(gHeapListHead == &Earlier.HeapList);
    FUZZ_CHECK(P.Fw.Pool().empty());
    FUZZ_CHECK(P.Fw.InstallCount(gHeapListProtocolGuid) == 1);
    FUZZ_CHECK(Earlier.HeapList.ForwardLink == &Earlier.HeapList);
    return 0;
  }

  std::vector<ExpectedNode> Expected = EligibleHobs(List);
  UINT32 ExpectedTrap = 0;
  if (FailingAllocation != 0 && FailingAllocation <= Expected.size()) {
    const ExpectedNode &Lost = Expected[FailingAllocation - 1];
    ExpectedTrap = Lost.Header.PoolSelector == 8 ? 0x00080134U : 0x00080137U;
    Expected.erase(Expected.begin() + (FailingAllocation - 1));
  }

  // The list: well formed both ways, one node per eligible HOB, in HOB order.
  LIST_ENTRY *Head = &gHeapListProtocol.HeapList;
  FUZZ_CHECK(gHeapListHead == Head);
  FUZZ_CHECK(gHeapListProtocol.Revision == 1);
  size_t Index = 0;
  for (LIST_ENTRY *L = Head->ForwardLink; L != Head; L = L->ForwardLink, Index++) {
    FUZZ_CHECK(Index < Expected.size());
    FUZZ_CHECK(L->ForwardLink->BackLink == L);
    HEAP_NODE *Node = reinterpret_cast<HEAP_NODE *>(L);
    const ExpectedNode &E = Expected[Index];
    const sim::PoolBlock *Block = P.Fw.BlockOf(Node);
    FUZZ_CHECK(Block != nullptr);
    FUZZ_CHECK(Block->Size == 32 + UINTN{E.Header.DataSize});
    FUZZ_CHECK(Block->Type == (E.Header.PoolSelector == 8 ? EfiRuntimeServicesData : EfiBootServicesData));
    FUZZ_CHECK(std::memcmp(&Node->Header, List + E.HeaderOffset, 16) == 0);
    FUZZ_CHECK(std::memcmp(HEAP_NODE_DATA(Node), List + E.HeaderOffset + 16, E.Header.DataSize) == 0);
  }
  FUZZ_CHECK(Index == Expected.size());
  FUZZ_CHECK(Head->BackLink->ForwardLink == Head);
  FUZZ_CHECK(P.Fw.Pool().size() == Expected.size());

  const bool InstallFails = Flags & 4;
  FUZZ_CHECK(P.Fw.InstallCount(gHeapListProtocolGuid) == (InstallFails ? 0u : 1u));

  // Trap writes: an armed site announces its code; the simulator lets it return.
  std::vector<UINT32> Codes;
  for (const sim::PortAccess &A : P.Machine.PortWrites()) {
    if (A.Port == 0x80) Codes.push_back(A.Value);
  }
  std::vector<UINT32> Want;
  if (Flags & 1) {
    if (ExpectedTrap != 0) Want.push_back(ExpectedTrap);
    if (InstallFails) Want.push_back(0x00080225U);
  }
  FUZZ_CHECK(Codes == Want);
  return 0;
}
