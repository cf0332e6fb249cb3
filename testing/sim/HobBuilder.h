// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Builds PI HOB lists in one contiguous, 8-byte aligned buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "efi/Uefi.h"

namespace sim {

class HobBuilder {
 public:
  // A GUID-extension HOB carrying Data; HobLength is 24 + data size rounded up to 8
  // unless Length overrides it (to build malformed lists).
  HobBuilder &Guid(const EFI_GUID &Name, const std::vector<UINT8> &Data, int Length = -1);
  // Any other HOB type with Length bytes in all (header included).
  HobBuilder &Other(UINT16 Type, UINT16 Length);
  HobBuilder &End();
  // Raw bytes appended as they are.
  HobBuilder &Raw(const std::vector<UINT8> &Bytes);

  VOID *Start() { return Bytes.data(); }
  UINT8 *At(size_t Offset) { return reinterpret_cast<UINT8 *>(Bytes.data()) + Offset; }
  size_t Size() const { return Used; }
  // Offsets at which each HOB starts, in order.
  const std::vector<size_t> &Offsets() const { return Starts; }

 private:
  void Append(const void *Data, size_t Size);
  std::vector<UINT64> Bytes = std::vector<UINT64>(1 << 14);  // 128 KiB, 8-byte aligned
  size_t Used = 0;
  std::vector<size_t> Starts;
};

// The 16-byte header that starts the data of a "HEAP" HOB, followed by its data.
std::vector<UINT8> HeapHobData(UINT32 DataSize, UINT8 PoolSelector, UINT8 MigrateFlag,
                               const std::vector<UINT8> &Data, UINT32 Signature = 0x50414548,
                               UINT32 Bytes4to7 = 0, UINT16 Bytes14to15 = 0);

}  // namespace sim
