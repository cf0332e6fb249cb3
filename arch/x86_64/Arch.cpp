// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The instructions behind the seam, for the image. DXE runs identity mapped at CPL 0.
#include "arch/Arch.h"

#if SOC_MSVC
// Visual Studio's family: MSVC's intrinsics, declared as MdePkg declares its own, with no
// header of the compiler's. The simulator query, which has none, is SimulatorQuery.nasm.
// (clang-cl implements some of these in GNU inline assembly inside its <intrin.h>; the
// build that proves this path with clang-cl gives them from the same NASM file.)
extern "C" {
void __cpuidex(int Registers[4], int Leaf, int SubLeaf);
unsigned __int64 __readmsr(unsigned long Index);
unsigned __int64 __rdtsc(void);
void _mm_pause(void);
unsigned char __inbyte(unsigned short Port);
void __outbyte(unsigned short Port, unsigned char Value);
void __outword(unsigned short Port, unsigned short Value);
void __outdword(unsigned short Port, unsigned long Value);
}
#if !defined(__clang__)
#pragma intrinsic(__cpuidex, __readmsr, __rdtsc, _mm_pause, __inbyte, __outbyte, __outword, __outdword)
#endif

void ArchCpuid(UINT32 Leaf, UINT32 SubLeaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx) {
  int Registers[4];
  __cpuidex(Registers, static_cast<int>(Leaf), static_cast<int>(SubLeaf));
  if (Eax != NULL) *Eax = static_cast<UINT32>(Registers[0]);
  if (Ebx != NULL) *Ebx = static_cast<UINT32>(Registers[1]);
  if (Ecx != NULL) *Ecx = static_cast<UINT32>(Registers[2]);
  if (Edx != NULL) *Edx = static_cast<UINT32>(Registers[3]);
}

UINT64 ArchReadMsr(UINT32 Index) { return __readmsr(Index); }
UINT64 ArchReadTsc() { return __rdtsc(); }
void ArchPause() { _mm_pause(); }
UINT8 ArchIoRead8(UINT16 Port) { return __inbyte(Port); }
void ArchIoWrite8(UINT16 Port, UINT8 Value) { __outbyte(Port, Value); }
void ArchIoWrite16(UINT16 Port, UINT16 Value) { __outword(Port, Value); }
void ArchIoWrite32(UINT16 Port, UINT32 Value) { __outdword(Port, Value); }
#else
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
#endif

UINT32 ArchMmioRead32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }
void ArchMmioWrite32(UINT64 Address, UINT32 Value) { *reinterpret_cast<volatile UINT32 *>(Address) = Value; }

UINT32 ArchPhysicalRead32(UINT64 Address) { return *reinterpret_cast<volatile UINT32 *>(Address); }
void ArchPhysicalWrite32(UINT64 Address, UINT32 Value) { *reinterpret_cast<volatile UINT32 *>(Address) = Value; }

UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length) {
  (void)Length;
  return reinterpret_cast<UINT8 *>(Address);
}
