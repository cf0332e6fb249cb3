// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The class lookups of one deliverable against a small model of its match rules, for
// arbitrary signatures: directly, and through the three protocol services (executing
// core by CPUID, socket 0 by the indexed configuration read).
//
// Input: the core's signature (4 bytes), the socket's signature (4 bytes), the filler
// that the caller's record holds before the call (8 bytes).
#include "FuzzSupport.h"
#include "processor/Processor.h"
#include "processor/Variant.h"
#if SOC_VARIANT_m70
#include "variants/m70/ClassLookup.h"
#else
#include "variants/m60/ClassLookup.h"
#endif

namespace {

struct Fields {
  uint32_t Family, ExtModel, BaseModel, Stepping;
};
Fields Split(uint32_t S) {
  return {((S >> 20) & 0xFF) + ((S >> 8) & 0xF), (S >> 16) & 0xF, (S >> 4) & 0xF, S & 0xF};
}

struct ModelAnswer {
  bool Found;
  const FAMILY_CLASS_ENTRY *Family;
  const REVISION_CLASS_ENTRY *Revision;
};

const REVISION_CLASS_ENTRY *ModelRevision(const FAMILY_CLASS_ENTRY *Row, const Fields &F) {
  for (size_t I = 0; Row->RevisionTable[I].RevisionClass != 0x8000; I++) {
    if (Row->RevisionTable[I].BaseModel == F.BaseModel && Row->RevisionTable[I].Stepping == F.Stepping) {
      return &Row->RevisionTable[I];
    }
  }
  return &Row->RevisionTable[0];
}

// First matching family row (M70) or the last one (M60); the first matching revision row
// or the table's first row.
ModelAnswer Model(uint32_t Signature, bool LastWins) {
  const Fields F = Split(Signature);
  ModelAnswer A{false, nullptr, nullptr};
  for (size_t I = 0; FamilyClassTable[I].RevisionTable != nullptr; I++) {
    const FAMILY_CLASS_ENTRY *Row = &FamilyClassTable[I];
    if (Row->Family != F.Family || Row->ExtendedModel != F.ExtModel) continue;
    A = {true, Row, ModelRevision(Row, F)};
    if (!LastWins) break;
  }
  return A;
}

union Record {
  PROCESSOR_CLASS_ID Id;
  uint8_t Bytes[8];
};

// What the caller's 8-byte record must hold after a lookup: bytes 6 and 7 never change.
void Expect(const uint8_t *After, const uint8_t *Before, bool Written, uint32_t FamilyClass, uint16_t RevisionClass) {
  uint8_t Want[8];
  std::memcpy(Want, Before, 8);
  if (Written) {
    std::memcpy(Want, &FamilyClass, 4);
    std::memcpy(Want + 4, &RevisionClass, 2);
  }
  FUZZ_CHECK(std::memcmp(After, Want, 8) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  fuzz::Reader In(Data, Size);
  const uint32_t Core = In.Take<uint32_t>();
  const uint32_t Socket = In.Take<uint32_t>();
  uint8_t Filler[8];
  for (uint8_t &B : Filler) B = In.Byte();

  fuzz::Platform P;
  P.Machine.SetSignature(Core, In.Take<uint32_t>());
  P.Machine.MmioReadHandler = [&](UINT64 Address) -> std::optional<UINT32> {
    if (Address == 0xE0000000ULL + 0xB8U + 4) return Socket;
    return std::nullopt;
  };
  P.Machine.MmioRegisters[0xE0000000ULL + 0xB8U] = 0x0BADCAFEU;

#if SOC_VARIANT_m70
  const bool LastWins = false;
  // The lookup itself: out-parameters written only on a match.
  {
    const ModelAnswer M = Model(Core, LastWins);
    const FAMILY_CLASS_ENTRY *Family = reinterpret_cast<const FAMILY_CLASS_ENTRY *>(1);
    const REVISION_CLASS_ENTRY *Revision = reinterpret_cast<const REVISION_CLASS_ENTRY *>(1);
    const bool Found = FindClassEntries(Core, &Family, &Revision);
    FUZZ_CHECK(Found == M.Found);
    FUZZ_CHECK(Family == (M.Found ? M.Family : reinterpret_cast<const FAMILY_CLASS_ENTRY *>(1)));
    FUZZ_CHECK(Revision == (M.Found ? M.Revision : reinterpret_cast<const REVISION_CLASS_ENTRY *>(1)));
  }
  // On a miss the record is left alone.
  const bool MissWrites = false;
#else
  const bool LastWins = true;
  {
    const ModelAnswer M = Model(Core, LastWins);
    Record R;
    std::memcpy(R.Bytes, Filler, 8);
    FUZZ_CHECK(LookupClass(Core, &R.Id) == M.Found);
    Expect(R.Bytes, Filler, true, M.Found ? M.Family->FamilyClass : 0x80000000U,
           M.Found ? M.Revision->RevisionClass : 0x8000);
    std::memcpy(R.Bytes, Filler, 8);
    FUZZ_CHECK(LookupCoreClass(&R.Id) == (M.Found && M.Family->CoreFamilyClass != 0x80000000U));
    Expect(R.Bytes, Filler, true, M.Found ? M.Family->CoreFamilyClass : 0x80000000U,
           M.Found ? M.Revision->CoreRevisionClass : 0x8000);
  }
  // A miss leaves FAMILY_CLASS_NONE / REVISION_CLASS_NONE behind.
  const bool MissWrites = true;
#endif

  // The services: EFI_DEVICE_ERROR exactly when no family row serves the signature.
  const PROCESSOR_CLASS_PROTOCOL *This = &gProcessorClassProtocol;
  struct Case {
    uint32_t Signature;
    bool CoreQuery;
    int Service;
  } const Cases[] = {{Core, false, 0}, {Socket, false, 1}, {Core, true, 2}};
  for (const Case &C : Cases) {
    const ModelAnswer M = Model(C.Signature, LastWins);
    uint32_t FamilyClass = 0x80000000U;
    uint16_t RevisionClass = 0x8000;
    if (M.Found) {
      FamilyClass = C.CoreQuery ? M.Family->CoreFamilyClass : M.Family->FamilyClass;
      RevisionClass = C.CoreQuery ? M.Revision->CoreRevisionClass : M.Revision->RevisionClass;
    }
    const bool Served = M.Found && (!LastWins || FamilyClass != 0x80000000U);
    Record R;
    std::memcpy(R.Bytes, Filler, 8);
    EFI_STATUS Status = C.Service == 0   ? This->GetClassOfThisCore(This, &R.Id)
                        : C.Service == 1 ? This->GetClassOfSocket(This, 0, &R.Id)
                                         : This->GetCoreClassOfThisCore(This, &R.Id);
    FUZZ_CHECK(Status == (Served ? EFI_SUCCESS : EFI_DEVICE_ERROR));
    Expect(R.Bytes, Filler, M.Found || MissWrites, FamilyClass, RevisionClass);
  }
  // The indexed read puts the shared index register back.
  FUZZ_CHECK(P.Machine.MmioRegisters[0xE0000000ULL + 0xB8U] == 0x0BADCAFEU);
  return 0;
}
