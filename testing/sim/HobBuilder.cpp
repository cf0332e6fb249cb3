// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "testing/sim/HobBuilder.h"

#include <cstring>
#include <stdexcept>

namespace sim {

void HobBuilder::Append(const void *Data, size_t Size) {
  if (Size == 0) return;
  if (Used + Size > Bytes.size() * 8) throw std::length_error("HOB list too large for the builder");
  std::memcpy(At(Used), Data, Size);
  Used += Size;
}

HobBuilder &HobBuilder::Guid(const EFI_GUID &Name, const std::vector<UINT8> &Data, int Length) {
  const size_t Natural = (24 + Data.size() + 7) & ~size_t{7};
  EFI_HOB_GUID_TYPE Hob{};
  Hob.Header.HobType = EFI_HOB_TYPE_GUID_EXTENSION;
  Hob.Header.HobLength = static_cast<UINT16>(Length >= 0 ? size_t(Length) : Natural);
  Hob.Name = Name;
  Starts.push_back(Used);
  Append(&Hob, sizeof(Hob));
  if (!Data.empty()) Append(Data.data(), Data.size());
  const std::vector<UINT8> Pad(Natural - 24 - Data.size(), 0);
  if (!Pad.empty()) Append(Pad.data(), Pad.size());
  return *this;
}

HobBuilder &HobBuilder::Other(UINT16 Type, UINT16 Length) {
  std::vector<UINT8> Hob(Length < 8 ? 8 : Length, 0);
  EFI_HOB_GENERIC_HEADER Header{Type, Length, 0};
  std::memcpy(Hob.data(), &Header, sizeof(Header));
  Starts.push_back(Used);
  Append(Hob.data(), Hob.size());
  return *this;
}

HobBuilder &HobBuilder::End() { return Other(EFI_HOB_TYPE_END_OF_HOB_LIST, 8); }

HobBuilder &HobBuilder::Raw(const std::vector<UINT8> &Raw) {
  Append(Raw.data(), Raw.size());
  return *this;
}

std::vector<UINT8> HeapHobData(UINT32 DataSize, UINT8 PoolSelector, UINT8 MigrateFlag,
                               const std::vector<UINT8> &Data, UINT32 Signature, UINT32 Bytes4to7,
                               UINT16 Bytes14to15) {
  std::vector<UINT8> Out(16 + Data.size());
  std::memcpy(&Out[0], &Signature, 4);
  std::memcpy(&Out[4], &Bytes4to7, 4);
  std::memcpy(&Out[8], &DataSize, 4);
  Out[12] = PoolSelector;
  Out[13] = MigrateFlag;
  std::memcpy(&Out[14], &Bytes14to15, 2);
  if (!Data.empty()) std::memcpy(&Out[16], Data.data(), Data.size());
  return Out;
}

}  // namespace sim
