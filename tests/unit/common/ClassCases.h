// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Shared shape of the class-lookup cases: a signature and the two pairs it should give.
#pragma once

#include <cstring>
#include <functional>
#include <ostream>

#include "common/DriverTest.h"
#include "processor/Processor.h"
#include "tests/common/ClassTables.h"

namespace classcase {

inline std::ostream &operator<<(std::ostream &Os, const Hit &H) {
  return Os << "signature 0x" << std::hex << H.Sig;
}

// Bytes 6 and 7 of the caller's record are padding the services must not touch.
struct Record {
  PROCESSOR_CLASS_ID Id;
  Record(UINT32 F, UINT16 R) {
    std::memset(&Id, 0xA5, sizeof(Id));
    Id.FamilyClass = F;
    Id.RevisionClass = R;
  }
  bool PaddingIntact() const {
    const UINT8 *B = reinterpret_cast<const UINT8 *>(&Id);
    return B[6] == 0xA5 && B[7] == 0xA5;
  }
};

// Runs the three services on Sig (CPUID for the core services, the ECAM data register for
// the socket service) and checks status and record against the expected pairs.
inline void ExpectServices(sim::Machine &Machine, UINT32 Sig, EFI_STATUS Status, PROCESSOR_CLASS_ID Class,
                           PROCESSOR_CLASS_ID Core) {
  const PROCESSOR_CLASS_PROTOCOL *P = &gProcessorClassProtocol;
  Machine.SetSignature(Sig);
  Machine.MmioRegisters[0xE00000BC] = Sig;
  const struct {
    const char *Name;
    std::function<EFI_STATUS(PROCESSOR_CLASS_ID *)> Run;
    PROCESSOR_CLASS_ID Want;
  } Calls[] = {
      {"GetClassOfThisCore", [&](PROCESSOR_CLASS_ID *Id) { return P->GetClassOfThisCore(P, Id); }, Class},
      {"GetClassOfSocket(0)", [&](PROCESSOR_CLASS_ID *Id) { return P->GetClassOfSocket(P, 0, Id); }, Class},
      {"GetCoreClassOfThisCore", [&](PROCESSOR_CLASS_ID *Id) { return P->GetCoreClassOfThisCore(P, Id); }, Core},
  };
  for (const auto &[Name, Run, Want] : Calls) {
    SCOPED_TRACE(Name);
    Record R(0x11111111, 0x2222);
    EXPECT_EQ(Run(&R.Id), Status);
    EXPECT_EQ(R.Id.FamilyClass, Want.FamilyClass);
    EXPECT_EQ(R.Id.RevisionClass, Want.RevisionClass);
    EXPECT_TRUE(R.PaddingIntact());
  }
}

// The services on every case: each hit gives its pairs, each miss EFI_DEVICE_ERROR with
// Missed in the record (the caller's own values where nothing is written).
template <size_t HitCount, size_t MissCount>
void ExpectServicesOnAll(sim::Machine &Machine, const Hit (&Hits)[HitCount], const UINT32 (&Misses)[MissCount],
                         PROCESSOR_CLASS_ID Missed) {
  for (const Hit &H : Hits) {
    SCOPED_TRACE(::testing::Message() << H);
    ExpectServices(Machine, H.Sig, EFI_SUCCESS, {H.FamilyClass, H.RevisionClass}, {H.CoreFamilyClass, H.CoreRevisionClass});
  }
  for (UINT32 Sig : Misses) {
    SCOPED_TRACE(::testing::Message() << std::hex << Sig);
    ExpectServices(Machine, Sig, EFI_DEVICE_ERROR, Missed, Missed);
  }
}

}  // namespace classcase
