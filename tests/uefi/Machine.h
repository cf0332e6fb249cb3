// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The few instructions the test application needs. It keeps its own copies rather than
// linking the drivers' arch layer, so that what it reports about the machine does not
// depend on the code under test.
#pragma once

#include "efi/UefiBaseType.h"

struct CPUID_REGISTERS {
  UINT32 Eax;
  UINT32 Ebx;
  UINT32 Ecx;
  UINT32 Edx;
};

static inline CPUID_REGISTERS MachineCpuid(UINT32 Leaf) {
  CPUID_REGISTERS R;
  __asm__ volatile("cpuid" : "=a"(R.Eax), "=b"(R.Ebx), "=c"(R.Ecx), "=d"(R.Edx) : "a"(Leaf), "c"(0));
  return R;
}

static inline UINT8 MachineIn8(UINT16 Port) {
  UINT8 Value;
  __asm__ volatile("inb %1, %0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

static inline void MachineOut16(UINT16 Port, UINT16 Value) {
  __asm__ volatile("outw %0, %1" : : "a"(Value), "Nd"(Port));
}
