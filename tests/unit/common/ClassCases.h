// Shared shape of the class-lookup cases: a signature and the two pairs it should give.
#pragma once

#include <cstring>
#include <ostream>

#include "common/DriverTest.h"
#include "processor/Processor.h"

namespace classcase {

// CPUID 0x80000001 EAX from its fields.
constexpr UINT32 Signature(UINT32 ExtFamily, UINT32 BaseFamily, UINT32 Model, UINT32 Stepping) {
  return ExtFamily << 20 | (Model >> 4) << 16 | BaseFamily << 8 | (Model & 0xF) << 4 | Stepping;
}
constexpr UINT32 Family19h(UINT32 Model, UINT32 Stepping) { return Signature(0xA, 0xF, Model, Stepping); }
constexpr UINT32 Family17h(UINT32 Model, UINT32 Stepping) { return Signature(0x8, 0xF, Model, Stepping); }

struct Hit {
  UINT32 Sig;
  UINT32 FamilyClass;
  UINT16 RevisionClass;
  UINT32 CoreFamilyClass;
  UINT16 CoreRevisionClass;
};
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
  {
    Record R(0x11111111, 0x2222);
    EXPECT_EQ(P->GetClassOfThisCore(P, &R.Id), Status);
    EXPECT_EQ(R.Id.FamilyClass, Class.FamilyClass);
    EXPECT_EQ(R.Id.RevisionClass, Class.RevisionClass);
    EXPECT_TRUE(R.PaddingIntact());
  }
  {
    Record R(0x11111111, 0x2222);
    EXPECT_EQ(P->GetClassOfSocket(P, 0, &R.Id), Status);
    EXPECT_EQ(R.Id.FamilyClass, Class.FamilyClass);
    EXPECT_EQ(R.Id.RevisionClass, Class.RevisionClass);
    EXPECT_TRUE(R.PaddingIntact());
  }
  {
    Record R(0x11111111, 0x2222);
    EXPECT_EQ(P->GetCoreClassOfThisCore(P, &R.Id), Status);
    EXPECT_EQ(R.Id.FamilyClass, Core.FamilyClass);
    EXPECT_EQ(R.Id.RevisionClass, Core.RevisionClass);
    EXPECT_TRUE(R.PaddingIntact());
  }
}

inline void ExpectServicesHit(sim::Machine &Machine, const Hit &H) {
  ExpectServices(Machine, H.Sig, EFI_SUCCESS, {H.FamilyClass, H.RevisionClass}, {H.CoreFamilyClass, H.CoreRevisionClass});
}

}  // namespace classcase
