; Copyright (c) 2026, SocDxePkg contributors.
; SPDX-License-Identifier: BSD-2-Clause-Patent
;
; ArchSimulatorQuery for the Visual Studio family, which has no x64 inline assembly: CPUID
; with SI = 0, EAX = 0xBACCD00B and EBX = 2, answering SI. The same instructions as on the
; GNU path, in the same order: neither MOV nor CPUID changes a flag. RBX and RSI are kept,
; as the Microsoft x64 convention wants; RAX, RCX and RDX are the callers to lose.
; The symbol is the C++ name of UINT16 ArchSimulatorQuery() in that convention.

  DEFAULT REL
  SECTION .text

global ?ArchSimulatorQuery@@YAGXZ
?ArchSimulatorQuery@@YAGXZ:
  push  rbx
  push  rsi
  mov   esi, 0
  mov   eax, 0xBACCD00B
  mov   ebx, 2
  cpuid
  movzx eax, si
  pop   rsi
  pop   rbx
  ret

%ifdef SOC_CLANG_CL
; For the clang-cl build of this path only: clang-cl has no builtin for these intrinsics
; (its intrin.h spells them in GNU inline assembly), so they come from here, with the
; same instructions cl.exe puts in line. cl.exe never calls them.

global __cpuidex
__cpuidex:                      ; (int Registers[4], int Leaf, int SubLeaf)
  push  rbx
  mov   r10, rcx
  mov   eax, edx
  mov   ecx, r8d
  cpuid
  mov   [r10], eax
  mov   [r10 + 4], ebx
  mov   [r10 + 8], ecx
  mov   [r10 + 12], edx
  pop   rbx
  ret

global __readmsr
__readmsr:                      ; (unsigned long Index)
  rdmsr
  shl   rdx, 32
  or    rax, rdx
  ret

global __inbyte
__inbyte:                       ; (unsigned short Port)
  mov   dx, cx
  in    al, dx
  ret

global __outbyte
__outbyte:                      ; (unsigned short Port, unsigned char Value)
  mov   al, dl
  mov   dx, cx
  out   dx, al
  ret

global __outword
__outword:                      ; (unsigned short Port, unsigned short Value)
  mov   ax, dx
  mov   dx, cx
  out   dx, ax
  ret

global __outdword
__outdword:                     ; (unsigned short Port, unsigned long Value)
  mov   eax, edx
  mov   dx, cx
  out   dx, eax
  ret
%endif
