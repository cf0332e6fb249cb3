// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Console output for the test application: printf (tests/common/Format.h, %r as the
// status's name) over ConOut->OutputString. "\n" goes out as CR LF.
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
