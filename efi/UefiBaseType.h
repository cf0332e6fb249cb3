// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Base types of UEFI 2.10 (section 2.3), written for this tree's own builds. Built by
// EDK2, the force-included AutoGen.h has brought MdePkg's definitions first; they are then
// the only ones, and ours stand aside (SOC_EDK2_BUILD). Only the drivers include this
// folder: the records other modules share with them are C, in include/.
#pragma once

// Visual Studio's family: cl.exe, or clang-cl where the INFs' MSFT options say so
// (SOC_MSFT). That path uses MSVC intrinsics and one NASM file, never a GNU extension.
#if defined(SOC_MSFT) || (defined(_MSC_VER) && !defined(__clang__))
#define SOC_MSVC 1
#else
#define SOC_MSVC 0
#endif

// The oldest compilers the drivers are built and tested with. Below them the first
// failure would be somewhere deep in the code; stop here and say why instead.
#if defined(__clang__)
#if __clang_major__ < 13
#error "SocDxe needs clang 13 or later (C++14 or later, GNU extensions)"
#endif
#elif defined(_MSC_VER)
#if _MSC_VER < 1930
#error "SocDxe needs Visual Studio 2022 (cl.exe 19.30) or later"
#endif
#elif defined(__GNUC__)
#if __GNUC__ < 11
#error "SocDxe needs gcc 11 or later (C++14 or later, GNU extensions, __constinit)"
#endif
#endif
// cl.exe reports the language it compiles in _MSVC_LANG; __cplusplus stays 199711L there
// unless /Zc:__cplusplus is given.
#if defined(_MSVC_LANG)
#define SOC_CPLUSPLUS _MSVC_LANG
#elif defined(__cplusplus)
#define SOC_CPLUSPLUS __cplusplus
#else
#define SOC_CPLUSPLUS 0L
#endif
#if SOC_CPLUSPLUS < 201402L
#error "SocDxe is C++14 or later: build its .cpp files as C++"
#endif

// EDK2's build force-includes AutoGen.h in every source of a module, and AutoGen.h always
// defines EFI_CALLER_ID_GUID; MdePkg's ProcessorBind.h defines MDE_CPU_X64. One without
// the other means mixed-up headers (MdePkg found where ours were meant, say). The types
// in force decide which definitions stand, so the error is not buried under others.
#if defined(EFI_CALLER_ID_GUID) != defined(MDE_CPU_X64)
#error "SocDxe: an EDK2 build (AutoGen.h) needs MdePkg's X64 types, and MdePkg's types need AutoGen.h"
#endif
#if defined(MDE_CPU_X64)
#define SOC_EDK2_BUILD 1
#else
#define SOC_EDK2_BUILD 0
#endif

#if SOC_EDK2_BUILD
#ifndef offsetof
#define offsetof(Type, Field) OFFSET_OF(Type, Field)
#endif
#else
#include <stddef.h>
#include <stdint.h>

typedef uint8_t UINT8;
typedef int8_t INT8;
typedef uint16_t UINT16;
typedef int16_t INT16;
typedef uint32_t UINT32;
typedef int32_t INT32;
typedef uint64_t UINT64;
typedef int64_t INT64;
typedef uint64_t UINTN;
typedef int64_t INTN;
typedef unsigned char BOOLEAN;
typedef char CHAR8;
typedef char16_t CHAR16;
typedef void VOID;

#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)
#ifndef NULL
#define NULL nullptr
#endif

#define IN
#define OUT
#define OPTIONAL
#define CONST const
#define OFFSET_OF(Type, Field) ((UINTN)__builtin_offsetof(Type, Field))

// Both builds use the Microsoft x64 calling convention for everything that crosses
// the firmware boundary, so the host tests exercise the same convention as the image.
#define EFIAPI __attribute__((ms_abi))

// A variable argument list handed across EFIAPI must be the ms_abi flavour.
typedef __builtin_ms_va_list VA_LIST;
#define VA_START(Marker, Parameter) __builtin_ms_va_start(Marker, Parameter)
#define VA_ARG(Marker, TYPE) __builtin_va_arg(Marker, TYPE)
#define VA_END(Marker) __builtin_ms_va_end(Marker)
#define VA_COPY(Dest, Start) __builtin_ms_va_copy(Dest, Start)

typedef UINTN EFI_STATUS;
typedef VOID *EFI_HANDLE;
typedef VOID *EFI_EVENT;
typedef UINTN EFI_TPL;
typedef UINT64 EFI_PHYSICAL_ADDRESS;

struct EFI_GUID {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
};

struct LIST_ENTRY {
  LIST_ENTRY *ForwardLink;
  LIST_ENTRY *BackLink;
};

#define MAX_BIT 0x8000000000000000ULL
#define ENCODE_ERROR(StatusCode) ((EFI_STATUS)(MAX_BIT | (StatusCode)))
#define EFI_ERROR(A) (((INTN)(EFI_STATUS)(A)) < 0)

#define EFI_SUCCESS ((EFI_STATUS)0)
#define EFI_LOAD_ERROR ENCODE_ERROR(1)
#define EFI_INVALID_PARAMETER ENCODE_ERROR(2)
#define EFI_UNSUPPORTED ENCODE_ERROR(3)
#define EFI_BAD_BUFFER_SIZE ENCODE_ERROR(4)
#define EFI_BUFFER_TOO_SMALL ENCODE_ERROR(5)
#define EFI_NOT_READY ENCODE_ERROR(6)
#define EFI_DEVICE_ERROR ENCODE_ERROR(7)
#define EFI_WRITE_PROTECTED ENCODE_ERROR(8)
#define EFI_OUT_OF_RESOURCES ENCODE_ERROR(9)
#define EFI_NOT_FOUND ENCODE_ERROR(14)
#define EFI_ACCESS_DENIED ENCODE_ERROR(15)
#define EFI_ABORTED ENCODE_ERROR(21)
#define EFI_SECURITY_VIOLATION ENCODE_ERROR(26)
#define EFI_WARN_UNKNOWN_GLYPH ((EFI_STATUS)1)

#define TPL_APPLICATION 4
#define TPL_CALLBACK 8
#define TPL_NOTIFY 16
#define TPL_HIGH_LEVEL 31
#endif  // SOC_EDK2_BUILD

// What the drivers rely on, held to whichever definitions are in force: MdePkg's must
// give the values UEFI 2.10 defines (appendix D and 7.1).
static_assert(sizeof(EFI_GUID) == 16, "EFI_GUID is 16 bytes");
static_assert(sizeof(LIST_ENTRY) == 16, "LIST_ENTRY is two pointers");
static_assert(offsetof(LIST_ENTRY, BackLink) == 8, "LIST_ENTRY.BackLink");
static_assert(sizeof(UINTN) == 8 && sizeof(BOOLEAN) == 1 && sizeof(CHAR16) == 2, "X64 UEFI data types");
static_assert(EFI_SUCCESS == 0, "EFI_SUCCESS is 0");
static_assert(EFI_INVALID_PARAMETER == 0x8000000000000002ULL, "EFI_INVALID_PARAMETER is 0x8000000000000002");
static_assert(EFI_UNSUPPORTED == 0x8000000000000003ULL, "EFI_UNSUPPORTED is 0x8000000000000003");
static_assert(EFI_DEVICE_ERROR == 0x8000000000000007ULL, "EFI_DEVICE_ERROR is 0x8000000000000007");
static_assert(EFI_OUT_OF_RESOURCES == 0x8000000000000009ULL, "EFI_OUT_OF_RESOURCES is 0x8000000000000009");
static_assert(EFI_NOT_FOUND == 0x800000000000000EULL, "EFI_NOT_FOUND is 0x800000000000000E");
static_assert(EFI_ERROR(EFI_NOT_FOUND) && !EFI_ERROR(EFI_WARN_UNKNOWN_GLYPH), "EFI_ERROR tests the high bit");
static_assert(TPL_APPLICATION == 4 && TPL_CALLBACK == 8 && TPL_NOTIFY == 16, "TPL_APPLICATION 4, TPL_CALLBACK 8, TPL_NOTIFY 16");

// Static data that must be constant-initialized, checked where the language can check it.
#if defined(__cpp_constinit)
#define SOC_CONSTINIT constinit
#elif defined(__clang__)
#define SOC_CONSTINIT [[clang::require_constant_initialization]]
#elif SOC_MSVC
#define SOC_CONSTINIT
#else
#define SOC_CONSTINIT __constinit
#endif

// What the compiler families spell differently: a fixed-size copy with no alignment
// assumed (a single move once optimised), always inlining, and a value the optimiser may
// not see through (so that a loop stays a loop and never becomes a call to memset or
// memcpy, which the freestanding drivers do not have).
#if SOC_MSVC
extern "C" void *__cdecl memcpy(void *Destination, const void *Source, unsigned long long Length);
#pragma intrinsic(memcpy)
#define SOC_MEMCPY(Destination, Source, Length) memcpy(Destination, Source, Length)
#define SOC_ALWAYS_INLINE __forceinline
#define SOC_OPAQUE(Variable) ((Variable) = *static_cast<decltype(Variable) volatile *>(&(Variable)))
#else
#define SOC_MEMCPY(Destination, Source, Length) __builtin_memcpy(Destination, Source, Length)
#define SOC_ALWAYS_INLINE __attribute__((always_inline)) inline
#define SOC_OPAQUE(Variable) __asm__("" : "+r"(Variable))
#endif

// Compares two GUIDs as two 64-bit halves, with no alignment assumed.
static inline bool GuidEquals(const EFI_GUID *A, const EFI_GUID *B) {
  UINT64 A0, A1, B0, B1;
  SOC_MEMCPY(&A0, A, 8);
  SOC_MEMCPY(&A1, reinterpret_cast<const UINT8 *>(A) + 8, 8);
  SOC_MEMCPY(&B0, B, 8);
  SOC_MEMCPY(&B1, reinterpret_cast<const UINT8 *>(B) + 8, 8);
  return A0 == B0 && A1 == B1;
}
