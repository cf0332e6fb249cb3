// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "tests/uefi/FwCfg.h"

#include "tests/uefi/Machine.h"

namespace {

constexpr UINT16 kSelectorPort = 0x510;
constexpr UINT16 kDataPort = 0x511;
constexpr UINT16 kSignatureItem = 0x0000;
constexpr UINT16 kFileDirectoryItem = 0x0019;
constexpr UINTN kFileNameSize = 56;

// Each read of the data port returns the next byte of the selected item.
void ReadBytes(VOID *Buffer, UINTN Size) {
  UINT8 *Bytes = static_cast<UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Size; Index++) {
    Bytes[Index] = MachineIn8(kDataPort);
  }
}

UINT32 ReadBigEndian32() {
  UINT8 B[4];
  ReadBytes(B, sizeof(B));
  return (static_cast<UINT32>(B[0]) << 24) | (static_cast<UINT32>(B[1]) << 16) | (static_cast<UINT32>(B[2]) << 8) | B[3];
}

UINT16 ReadBigEndian16() {
  UINT8 B[2];
  ReadBytes(B, sizeof(B));
  return static_cast<UINT16>((B[0] << 8) | B[1]);
}

}  // namespace

bool FwCfgPresent() {
  UINT8 Signature[4];
  FwCfgRead(kSignatureItem, Signature, sizeof(Signature));
  return Signature[0] == 'Q' && Signature[1] == 'E' && Signature[2] == 'M' && Signature[3] == 'U';
}

bool FwCfgFindFile(const char *Name, UINT16 *Selector, UINT32 *Size) {
  MachineOut16(kSelectorPort, kFileDirectoryItem);
  const UINT32 Count = ReadBigEndian32();
  for (UINT32 Entry = 0; Entry < Count; Entry++) {
    // Each entry: size (BE32), selector (BE16), reserved (16), name[56].
    const UINT32 EntrySize = ReadBigEndian32();
    const UINT16 EntrySelector = ReadBigEndian16();
    ReadBigEndian16();
    char EntryName[kFileNameSize];
    ReadBytes(EntryName, sizeof(EntryName));
    UINTN Index = 0;
    while (Index < kFileNameSize && Name[Index] != 0 && Name[Index] == EntryName[Index]) {
      Index++;
    }
    if (Index < kFileNameSize && Name[Index] == 0 && EntryName[Index] == 0) {
      *Selector = EntrySelector;
      *Size = EntrySize;
      return true;
    }
  }
  return false;
}

void FwCfgRead(UINT16 Selector, VOID *Buffer, UINTN Size) {
  MachineOut16(kSelectorPort, Selector);
  ReadBytes(Buffer, Size);
}
