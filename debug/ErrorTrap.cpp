// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "debug/ErrorTrap.h"

#include "arch/Arch.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "framework/Framework.h"

UINT64 gCoreFrequencyHz = 0;

#define POST_CODE_PORT 0x80
#define POST_CODE_PORT_HIGH 0xE0
#define MSR_PSTATE_STATUS 0xC0010063U
#define MSR_PSTATE_DEF_BASE 0xC0010064U
#define PSTATE_STATUS_CURRENT 2, 0
#define PSTATE_FREQUENCY_5MHZ 11, 0  // family 1Ah and later
#define PSTATE_FID 7, 0              // earlier families
#define PSTATE_DID 13, 8

UINT16 IsSimulatedPlatform() { return ArchSimulatorQuery(); }

UINT64 GetCoreFrequencyHz() {
  if (gCoreFrequencyHz != 0) {
    return gCoreFrequencyHz;
  }
  UINT32 Signature = 0;
  ReadCpuid(CPUID_EXTENDED_SIGNATURE, &Signature, NULL, NULL, NULL);
  const PROCESSOR_SIGNATURE S = DecodeSignature(Signature);
  const UINT32 PState = RegisterField(ArchReadMsr(MSR_PSTATE_STATUS), PSTATE_STATUS_CURRENT);
  const UINT64 Definition = ArchReadMsr(MSR_PSTATE_DEF_BASE + PState);
  UINT64 Hz;
  if (S.BaseFamily == 0xF && S.ExtendedFamily >= 0x0B) {
    Hz = RegisterField(Definition, PSTATE_FREQUENCY_5MHZ) * 5000000ULL;
  } else {
    const UINT32 Fid = RegisterField(Definition, PSTATE_FID);
    const UINT32 Did = RegisterField(Definition, PSTATE_DID);
    UINT32 MHz;
    if (Did == 0) {
      MHz = 0;
    } else if (Did >= 0x08 && Did <= 0x3C) {
      MHz = Fid * 200 / Did;
    } else {
      MHz = Fid * 25;
    }
    Hz = static_cast<UINT64>(MHz) * 1000000ULL;
  }
  // Zero is stored too; it leaves the cache empty, so the next call reads the MSRs again.
  gCoreFrequencyHz = Hz;
  return Hz;
}

// Holds the current display value for 2.5 seconds of time-stamp counter ticks.
static VOID HoldDisplay() {
  const UINT64 Frequency = GetCoreFrequencyHz();
  const UINT64 Ticks = Frequency * 2500000ULL / 1000000ULL;
  const UINT64 Deadline = ReadTsc() + Ticks;
  while (ReadTsc() <= Deadline) {
    CpuPause();
  }
}

static inline UINT64 RotateLeft64(UINT64 Value, unsigned Count) { return (Value << Count) | (Value >> (64 - Count)); }

BOOLEAN ErrorTrap(UINT32 TrapCode) {
  ArchIoWrite16(POST_CODE_PORT_HIGH, 0xDEAD);
  ArchIoWrite32(POST_CODE_PORT, TrapCode);
  if (IsSimulatedPlatform() != 0) {
    return FALSE;
  }
  UINT64 Pattern = (0xDEADULL << 48) | (static_cast<UINT64>(TrapCode) << 16);
  for (;;) {
    for (int Step = 0; Step < 6; Step++) {
      Pattern = RotateLeft64(Pattern, 8);
      ArchIoWrite32(POST_CODE_PORT, static_cast<UINT32>(Pattern));
      HoldDisplay();
    }
    // Six byte rotations plus sixteen bits bring the pattern back to its start.
    Pattern = RotateLeft64(Pattern, 16);
  }
}

VOID RaiseTrapIfArmed(UINT32 TrapCode) {
  if (CfgPcdBuf.TrapEnable != 0) {
    ErrorTrap(TrapCode);
  }
}
