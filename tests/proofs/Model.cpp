// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "Model.h"

#include "debug/ErrorTrap.h"

EFI_SYSTEM_TABLE *gSystemTable = NULL;
EFI_BOOT_SERVICES *gBootServices = NULL;
ModelFirmware gModel;

UINT8 AnyByte() {
  UINT8 V;
  return V;
}
UINT32 AnyWord() {
  UINT32 V;
  return V;
}
UINTN AnySize() {
  UINTN V;
  return V;
}
bool AnyBool() {
  bool V;
  return V;
}

// UEFI 2.10, 7.2: on success a fresh buffer of Size bytes, contents unknown; otherwise an
// error, with the out-pointer undefined. Any call may fail.
static EFI_STATUS EFIAPI ModelAllocatePool(EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer) {
  const bool Granted = AnyBool();
  if (gModel.Allocations < 4) {
    gModel.PoolType[gModel.Allocations] = Type;
    gModel.Granted[gModel.Allocations] = Granted;
  }
  gModel.Allocations++;
  if (!Granted) {
    *Buffer = reinterpret_cast<VOID *>(AnySize());
    return EFI_OUT_OF_RESOURCES;
  }
  // CBMC's own allocator: its C++ front end does not give the C library's malloc its model.
  *Buffer = __CPROVER_allocate(Size, 0);
  return EFI_SUCCESS;
}

// UEFI 2.10, 7.3: either the interface of a protocol that is installed, or EFI_NOT_FOUND.
static EFI_STATUS EFIAPI ModelLocateProtocol(const EFI_GUID *Protocol, VOID *Registration, VOID **Interface) {
  if (!gModel.Found) return EFI_NOT_FOUND;
  *Interface = gModel.Interface;
  return EFI_SUCCESS;
}

// UEFI 2.10, 7.3: recorded; it may succeed or fail.
static EFI_STATUS EFIAPI ModelInstall(EFI_HANDLE *Handle, const EFI_GUID *Protocol, EFI_INTERFACE_TYPE Type,
                                      VOID *Interface) {
  if (gModel.Installs < 4) {
    memcpy(&gModel.Installed[gModel.Installs], Protocol, sizeof(EFI_GUID));
    gModel.Interfaces[gModel.Installs] = Interface;
  }
  gModel.Installs++;
  return AnyBool() ? EFI_SUCCESS : EFI_OUT_OF_RESOURCES;
}

// The trap disarmed (TrapEnable 0): every site takes its own failure path. Armed, it never
// returns on hardware, so no later code runs.
VOID RaiseTrapIfArmed(UINT32 TrapCode) {}

void BindModel(EFI_CONFIGURATION_TABLE *Entries, UINTN Count) {
  gModel.System.BootServices = &gModel.Boot;
  gModel.System.NumberOfTableEntries = Count;
  gModel.System.ConfigurationTable = Entries;
  gModel.Boot.AllocatePool = ModelAllocatePool;
  gModel.Boot.LocateProtocol = ModelLocateProtocol;
  gModel.Boot.InstallProtocolInterface = ModelInstall;
  gSystemTable = &gModel.System;
  gBootServices = &gModel.Boot;
}

// CopyBuffer as its own proof shows it, for ranges that do not overlap: Length bytes from
// Source to Destination, each of them checked to lie inside its object.
extern "C" void ModelCopy(UINT8 *D, const UINT8 *S, UINTN Length) {
  for (UINTN I = 0; I < Length; I++) D[I] = S[I];
}
VOID *ProvenCopyBuffer(VOID *Destination, const VOID *Source, UINTN Length) {
  ModelCopy(static_cast<UINT8 *>(Destination), static_cast<const UINT8 *>(Source), Length);
  return Destination;
}

// FindNextGuidHob as the walk's proof shows it, in a list whose PHIT bounds it: NULL, or a
// GUID HOB of that name at or after HobStart and wholly inside the list.
VOID *ProvenFindNextGuidHob(const EFI_GUID *Guid, const VOID *HobStart) {
  const UINT8 *Start = static_cast<const UINT8 *>(HobStart);
  const UINT8 *List = static_cast<const UINT8 *>(gHobList);
  const UINT8 *End = static_cast<const UINT8 *>(gHobListEnd);
  __CPROVER_assert(Start >= List && Start <= End, "the walk goes on from inside the list");
  if (AnyBool()) return NULL;
  const UINTN Skip = AnySize();
  __CPROVER_assume(Skip <= static_cast<UINTN>(End - Start) && static_cast<UINTN>(End - Start) - Skip >= 24);
  // Never the PHIT, nor a place inside it: the walk steps over it by its length.
  EFI_HOB_GENERIC_HEADER Phit;
  memcpy(&Phit, List, sizeof(Phit));
  __CPROVER_assume(static_cast<UINTN>(Start - List) + Skip >= Phit.HobLength);
  const UINT8 *Hob = Start + Skip;
  EFI_HOB_GENERIC_HEADER Header;
  memcpy(&Header, Hob, sizeof(Header));
  __CPROVER_assume(Header.HobType == EFI_HOB_TYPE_GUID_EXTENSION && Header.HobLength >= 24 &&
                   Header.HobLength <= static_cast<UINTN>(End - Hob) && memcmp(Hob + 8, Guid, 16) == 0);
  if (gModel.Walked < 4) gModel.Handed[gModel.Walked] = Hob;
  gModel.Walked++;
  return const_cast<UINT8 *>(Hob);
}
