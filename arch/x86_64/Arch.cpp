// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The instructions behind the seam, for the image. DXE runs identity mapped at CPL 0.
#include "arch/Arch.h"

void ArchCpuid(UINT32 Leaf, UINT32 SubLeaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  UINT32 A, B, C, D;
  __asm__ volatile("cpuid" : "=a"(A), "=b"(B), "=c"(C), "=d"(D) : "a"(Leaf), "c"(SubLeaf));
  if (Eax != NULL) *Eax = A;
  if (Ebx != NULL) *Ebx = B;
  if (Ecx != NULL) *Ecx = C;
  if (Edx != NULL) *Edx = D;
}

UINT16 ArchSimulatorQuery() {
  UINT64 Si;
  // Neither MOV nor CPUID changes a flag, so the flags stay as they were; the registers
  // CPUID writes are declared clobbered for the compiler to keep, rather than pushed
  // inside the statement, which would overwrite a red zone where the build has one.
  __asm__ volatile(
      "mov $0, %%esi\n\t"
      "mov $0xBACCD00B, %%eax\n\t"
      "mov $2, %%ebx\n\t"
      "cpuid"
      : "=S"(Si)
      :
      : "rax", "rbx", "rcx", "rdx", "memory");
  return static_cast<UINT16>(Si);
}

UINT64 ArchReadMsr(UINT32 Index) {
  UINT32 Lo, Hi;
  __asm__ volatile("rdmsr" : "=a"(Lo), "=d"(Hi) : "c"(Index));
  return (static_cast<UINT64>(Hi) << 32) | Lo;
}

UINT64 ArchReadTsc() {
  UINT32 Lo, Hi;
  __asm__ volatile("rdtsc" : "=a"(Lo), "=d"(Hi));
  return (static_cast<UINT64>(Hi) << 32) | Lo;
}

void ArchPause() { __asm__ volatile("pause" ::: "memory"); }

UINT8 ArchIoRead8(UINT16 Port) {
  UINT8 Value;
  __asm__ volatile("inb %w1, %b0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

void ArchIoWrite8(UINT16 Port, UINT8 Value) { __asm__ volatile("outb %b0, %w1" : : "a"(Value), "Nd"(Port)); }
void ArchIoWrite16(UINT16 Port, UINT16 Value) { __asm__ volatile("outw %w0, %w1" : : "a"(Value), "Nd"(Port)); }
void ArchIoWrite32(UINT16 Port, UINT32 Value) { __asm__ volatile("outl %0, %w1" : : "a"(Value), "Nd"(Port)); }

UINT32 ArchMmioRead32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }
void ArchMmioWrite32(UINT64 Address, UINT32 Value) { *reinterpret_cast<volatile UINT32 *>(Address) = Value; }

UINT32 ArchPhysicalRead32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }
void ArchPhysicalWrite32(UINT64 Address, UINT32 Value) { *reinterpret_cast<volatile UINT32 *>(Address) = Value; }

UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length) {
  (void)Length;
  return reinterpret_cast<UINT8 *>(Address);
}
