// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Any processor signature from CPUID and from the socket's configuration register, any
// socket number, NULL or not: every class service of one deliverable.
#include "Model.h"
#include "arch/Arch.h"
#include "processor/Processor.h"

// The machine: CPUID and configuration reads answer anything; every configuration access
// stays inside the ECAM window.
void ArchCpuid(UINT32 Leaf, UINT32 SubLeaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  if (Eax != NULL) *Eax = AnyWord();
  if (Ebx != NULL) *Ebx = AnyWord();
  if (Ecx != NULL) *Ecx = AnyWord();
  if (Edx != NULL) *Edx = AnyWord();
}
static void InWindow(UINT64 Address) {
  __CPROVER_assert(Address >= 0xE0000000ULL && Address <= 0xE0000000ULL + 0x10000000ULL - 4, "inside the ECAM window");
}
UINT32 ArchMmioRead32(UINT64 Address) {
  InWindow(Address);
  return AnyWord();
}
void ArchMmioWrite32(UINT64 Address, UINT32 Value) { InWindow(Address); }

extern "C" void Harness() {
  PROCESSOR_CLASS_ID Id;
  PROCESSOR_CLASS_ID *Out = AnyBool() ? NULL : &Id;
  EFI_STATUS Status;
  switch (AnyByte() % 3) {
    case 0:
      Status = GetClassOfThisCore(&gProcessorClassProtocol, Out);
      break;
    case 1:
      Status = GetCoreClassOfThisCore(&gProcessorClassProtocol, Out);
      break;
    default:
      Status = GetClassOfSocket(&gProcessorClassProtocol, AnySize(), Out);
      break;
  }
  __CPROVER_assert(Out != NULL || Status == EFI_INVALID_PARAMETER, "NULL refused");
  __CPROVER_assert(Status == EFI_SUCCESS || Status == EFI_INVALID_PARAMETER || Status == EFI_DEVICE_ERROR,
                   "a documented status");
  __CPROVER_assert(Status != EFI_SUCCESS || (Id.FamilyClass & 0x80000000U) == 0, "a served class on success");
}
