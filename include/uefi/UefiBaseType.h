// Base types of UEFI 2.10 (section 2.3), written for this tree. Built by EDK2, the
// force-included AutoGen.h has brought MdePkg's definitions first; they are then the only
// ones, and ours stand aside (SOC_EDK2_BUILD).
#pragma once

#if defined(__UEFI_BASETYPE_H__)
#define SOC_EDK2_BUILD 1
#ifndef offsetof
#define offsetof(Type, Field) __builtin_offsetof(Type, Field)
#endif
// EDK2 passes no language standard, and clang 14 defaults to C++14, where inline variables
// (one definition of each constant across the image) are an extension.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wc++17-extensions"
#endif
#else
#define SOC_EDK2_BUILD 0
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

// What the drivers rely on, held to whichever definitions are in force.
static_assert(sizeof(EFI_GUID) == 16, "EFI_GUID is 16 bytes");
static_assert(sizeof(LIST_ENTRY) == 16, "LIST_ENTRY is two pointers");
static_assert(offsetof(LIST_ENTRY, BackLink) == 8, "LIST_ENTRY.BackLink");


// Static data that must be constant-initialized, checked where the language can check it.
#if defined(__cpp_constinit)
#define SOC_CONSTINIT constinit
#elif defined(__clang__)
#define SOC_CONSTINIT [[clang::require_constant_initialization]]
#else
#define SOC_CONSTINIT __constinit
#endif

// Compares two GUIDs as two 64-bit halves, with no alignment assumed.
static inline bool GuidEquals(const EFI_GUID *A, const EFI_GUID *B) {
  UINT64 A0, A1, B0, B1;
  __builtin_memcpy(&A0, A, 8);
  __builtin_memcpy(&A1, reinterpret_cast<const UINT8 *>(A) + 8, 8);
  __builtin_memcpy(&B0, B, 8);
  __builtin_memcpy(&B1, reinterpret_cast<const UINT8 *>(B) + 8, 8);
  return A0 == B0 && A1 == B1;
}
