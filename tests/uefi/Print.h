// Console output for the test application: a small printf over ConOut->OutputString.
//   %a CHAR8 string (%-20a pads on the right)   %s CHAR16 string   %c character   %% percent
//   %u %d %x %X       32-bit; with l (%lu %lx ...) 64-bit; 0 and a width pad (%08x)
//   %p pointer        %r EFI_STATUS by name   %g EFI_GUID* in registry form
// "\n" goes out as CR LF.
#pragma once

#include "efi/Uefi.h"

void PrintInit(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *ConOut);
void Print(const char *Format, ...);
void VPrint(const char *Format, __builtin_va_list Args);

// Formats into Buffer (always terminated, truncated to Size); returns the length written.
UINTN FormatString(char *Buffer, UINTN Size, const char *Format, ...);
UINTN VFormatString(char *Buffer, UINTN Size, const char *Format, __builtin_va_list Args);

// The status's name ("EFI_NOT_FOUND"), or NULL for a value this table does not know.
const char *StatusName(EFI_STATUS Status);
