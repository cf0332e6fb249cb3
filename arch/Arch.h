// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The processor and bus seam. The image links arch/x86_64; host tests link the machine
// model in testing/sim instead. Nothing else in the drivers touches the machine directly.
#pragma once

#include "efi/UefiBaseType.h"

// CPUID with EAX = Leaf and ECX = SubLeaf; any output pointer may be NULL.
void ArchCpuid(UINT32 Leaf, UINT32 SubLeaf, UINT32 *Eax, UINT32 *Ebx, UINT32 *Ecx, UINT32 *Edx);
// CPUID with SI = 0, EAX = 0xBACCD00B, EBX = 2; returns SI afterwards. Every other register
// and the flags are preserved.
UINT16 ArchSimulatorQuery();
UINT64 ArchReadMsr(UINT32 Index);
UINT64 ArchReadTsc();
void ArchPause();

UINT8 ArchIoRead8(UINT16 Port);
void ArchIoWrite8(UINT16 Port, UINT8 Value);
void ArchIoWrite16(UINT16 Port, UINT16 Value);
void ArchIoWrite32(UINT16 Port, UINT32 Value);

// Single 32-bit memory-mapped accesses.
UINT32 ArchMmioRead32(UINT64 Address);
void ArchMmioWrite32(UINT64 Address, UINT32 Value);

// Single 32-bit accesses to physical memory, never merged or elided by the compiler.
// Where no memory answers, reads float high (all ones) and writes vanish.
UINT32 ArchPhysicalRead32(UINT64 Address);
void ArchPhysicalWrite32(UINT64 Address, UINT32 Value);

// Single loads and stores of exactly the named width at an address inside a physical
// window, which the compiler may neither merge, widen, split nor drop: memory that a bus
// observer or a debugger may watch. Plain volatile accesses, the same in every build.
typedef volatile UINT8 ARCH_BYTE;
#if SOC_MSVC
typedef volatile UINT16 __unaligned ARCH_UNALIGNED_UINT16;
typedef volatile UINT32 __unaligned ARCH_UNALIGNED_UINT32;
#else
typedef volatile UINT16 __attribute__((aligned(1))) ARCH_UNALIGNED_UINT16;
typedef volatile UINT32 __attribute__((aligned(1))) ARCH_UNALIGNED_UINT32;
#endif
inline UINT8 ArchLoad8(const VOID *Address) { return *static_cast<const ARCH_BYTE *>(Address); }
inline void ArchStore8(VOID *Address, UINT8 Value) { *static_cast<ARCH_BYTE *>(Address) = Value; }
inline void ArchStore16(VOID *Address, UINT16 Value) { *static_cast<ARCH_UNALIGNED_UINT16 *>(Address) = Value; }
inline void ArchStore32(VOID *Address, UINT32 Value) { *static_cast<ARCH_UNALIGNED_UINT32 *>(Address) = Value; }

// Direct access to Length bytes of physical memory at Address (identity mapped in DXE).
// The machine model answers NULL when no memory is there.
UINT8 *ArchPhysicalWindow(UINT64 Address, UINT64 Length);
