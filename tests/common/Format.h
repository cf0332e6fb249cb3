// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The printf of the drivers' debug messages, as EDK2's PrintLib reads the formats they use,
// and of the test application's own lines, over any character sink:
//   %a CHAR8 string (%-20a pads on the right)   %s CHAR16 string   %c character   %% percent
//   %u %d %x %X       32-bit, hex in upper case; with l, ll or L 64-bit; 0 and a width pad
//   %p pointer        %r EFI_STATUS, spelt by the caller   %g EFI_GUID* in registry form
// No library: the host simulator and the test application both format with it.
#pragma once

#include "efi/Uefi.h"

namespace fmt {

template <typename Put>
void String(Put &&Out, const char *S) {
  for (S = S != NULL ? S : "(null)"; *S != 0; S++) {
    Out(*S);
  }
}

template <typename Put>
void Number(Put &&Out, UINT64 Value, UINT32 Base, UINTN Width, char Pad, bool Upper = true) {
  char Digits[24];
  UINTN Count = 0;
  do {
    Digits[Count++] = (Upper ? "0123456789ABCDEF" : "0123456789abcdef")[Value % Base];
    Value /= Base;
  } while (Value != 0);
  for (; Width > Count; Width--) {
    Out(Pad);
  }
  while (Count > 0) {
    Out(Digits[--Count]);
  }
}

template <typename Put>
void Guid(Put &&Out, const EFI_GUID *G) {
  if (G == NULL) {
    return String(Out, "(null guid)");
  }
  Number(Out, G->Data1, 16, 8, '0');
  Out('-');
  Number(Out, G->Data2, 16, 4, '0');
  Out('-');
  Number(Out, G->Data3, 16, 4, '0');
  for (UINTN Index = 0; Index < 8; Index++) {
    if (Index == 0 || Index == 2) {
      Out('-');
    }
    Number(Out, G->Data4[Index], 16, 2, '0');
  }
}

// PutStatus(Out, Value) spells a %r argument. Args is the EFIAPI va_list (on the firmware
// target also the plain one).
template <typename Put, typename Status>
void Format(Put &&Out, const char *Fmt, VA_LIST &Args, Status &&PutStatus) {
  while (*Fmt != 0) {
    if (*Fmt != '%') {
      Out(*Fmt++);
      continue;
    }
    Fmt++;
    const bool Left = *Fmt == '-';
    Fmt += Left;
    const char Pad = *Fmt == '0' ? '0' : ' ';
    UINTN Width = 0;
    while (*Fmt >= '0' && *Fmt <= '9') {
      Width = Width * 10 + static_cast<UINTN>(*Fmt++ - '0');
    }
    bool Long = false;
    for (; *Fmt == 'l' || *Fmt == 'L'; Fmt++) {
      Long = true;
    }
    const char Conversion = *Fmt;
    if (Conversion == 0) {
      return;
    }
    Fmt++;
    switch (Conversion) {
      case 'a': {
        const char *S = __builtin_va_arg(Args, const char *);
        UINTN Length = 0;
        while (S != NULL && S[Length] != 0) {
          Length++;
        }
        for (; !Left && Length < Width; Width--) {
          Out(' ');
        }
        String(Out, S);
        for (; Left && Length < Width; Width--) {
          Out(' ');
        }
        break;
      }
      case 's': {
        const CHAR16 *S = __builtin_va_arg(Args, const CHAR16 *);
        if (S == NULL) {
          String(Out, "(null)");
        }
        // Only ASCII is expected; anything wider shows as '?'.
        for (; S != NULL && *S != 0; S++) {
          Out(*S < 0x80 ? static_cast<char>(*S) : '?');
        }
        break;
      }
      case 'c':
        Out(static_cast<char>(__builtin_va_arg(Args, int)));
        break;
      case 'u':
      case 'x':
      case 'X':
        Number(Out, Long ? __builtin_va_arg(Args, UINT64) : __builtin_va_arg(Args, UINT32), Conversion == 'u' ? 10 : 16,
               Width, Pad);
        break;
      case 'd': {
        const INT64 Value = Long ? __builtin_va_arg(Args, INT64) : __builtin_va_arg(Args, INT32);
        if (Value < 0) {
          Out('-');
        }
        Number(Out, Value < 0 ? 0 - static_cast<UINT64>(Value) : static_cast<UINT64>(Value), 10, Width, Pad);
        break;
      }
      case 'p':
        String(Out, "0x");
        Number(Out, reinterpret_cast<UINT64>(__builtin_va_arg(Args, VOID *)), 16, 0, ' ', false);
        break;
      case 'r':
        PutStatus(Out, __builtin_va_arg(Args, EFI_STATUS));
        break;
      case 'g':
        Guid(Out, __builtin_va_arg(Args, const EFI_GUID *));
        break;
      case '%':
        Out('%');
        break;
      default:
        Out('%');
        Out(Conversion);
        break;
    }
  }
}

}  // namespace fmt
