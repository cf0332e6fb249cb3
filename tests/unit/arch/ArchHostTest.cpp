// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The seam's instructions that user mode may run, run for real on the host: the simulator
// query's register contract. A caller sets junk in RSI, RBX and the flags; afterwards
// SI must be what CPUID left there (it does not touch RSI: the zero the query put in),
// RBX and the flags as they were. The privileged ones are checked in the image instead.
#include <gtest/gtest.h>

#include "arch/Arch.h"

extern "C" void ProbeSimulatorQuery(UINT64 *Out);  // Out: returned value, RBX, RFLAGS
asm(R"(
  .text
  .globl ProbeSimulatorQuery
ProbeSimulatorQuery:
  push %rbx
  push %rdi
  sub $8, %rsp
  movabs $0x1122334455667788, %rbx
  mov $-1, %rsi
  stc
  std
  call _Z18ArchSimulatorQueryv
  pushfq
  cld
  pop %rcx
  add $8, %rsp
  pop %rdi
  mov %rax, 0(%rdi)
  mov %rbx, 8(%rdi)
  mov %rcx, 16(%rdi)
  pop %rbx
  ret
)");

TEST(ArchHost, SimulatorQueryZeroesSiAndKeepsRbxAndTheFlags) {
  UINT64 Out[3] = {~0ULL, 0, 0};
  ProbeSimulatorQuery(Out);
  EXPECT_EQ(Out[0] & 0xFFFF, 0U) << "SI = 0 going in, and real hardware leaves it";
  EXPECT_EQ(Out[1], 0x1122334455667788ULL) << "RBX, which CPUID writes, is restored";
  EXPECT_EQ(Out[2] & 0x401, 0x401U) << "carry and direction flags as they were";
  UINT32 Eax = 0, Ebx = 0;
  ArchCpuid(0, 0, &Eax, &Ebx, nullptr, nullptr);
  EXPECT_NE(Ebx, 0U) << "leaf 0 names the vendor";
  const UINT64 Before = ArchReadTsc();
  EXPECT_LE(Before, ArchReadTsc());
}
