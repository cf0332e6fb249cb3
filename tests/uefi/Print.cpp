// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "tests/uefi/Print.h"

#include "tests/common/Format.h"

namespace {

EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *gConOut;
// OutputString wants a terminated CHAR16 string; a line is gathered and sent in pieces.
CHAR16 gLine[128];
UINTN gLineLength;

void FlushLine() {
  if (gLineLength == 0 || gConOut == NULL) {
    gLineLength = 0;
    return;
  }
  gLine[gLineLength] = 0;
  gConOut->OutputString(gConOut, gLine);
  gLineLength = 0;
}

void PutConsole(char C) {
  if (gLineLength + 2 >= sizeof(gLine) / sizeof(gLine[0])) {
    FlushLine();
  }
  if (C == '\n') {
    gLine[gLineLength++] = u'\r';
  }
  gLine[gLineLength++] = static_cast<CHAR16>(static_cast<UINT8>(C));
}

struct STATUS_NAME {
  EFI_STATUS Status;
  const char *Name;
};

constexpr STATUS_NAME kStatusNames[] = {
    {EFI_SUCCESS, "EFI_SUCCESS"},
    {EFI_LOAD_ERROR, "EFI_LOAD_ERROR"},
    {EFI_INVALID_PARAMETER, "EFI_INVALID_PARAMETER"},
    {EFI_UNSUPPORTED, "EFI_UNSUPPORTED"},
    {EFI_BAD_BUFFER_SIZE, "EFI_BAD_BUFFER_SIZE"},
    {EFI_BUFFER_TOO_SMALL, "EFI_BUFFER_TOO_SMALL"},
    {EFI_NOT_READY, "EFI_NOT_READY"},
    {EFI_DEVICE_ERROR, "EFI_DEVICE_ERROR"},
    {EFI_WRITE_PROTECTED, "EFI_WRITE_PROTECTED"},
    {EFI_OUT_OF_RESOURCES, "EFI_OUT_OF_RESOURCES"},
    {EFI_NOT_FOUND, "EFI_NOT_FOUND"},
    {EFI_ACCESS_DENIED, "EFI_ACCESS_DENIED"},
    {EFI_ABORTED, "EFI_ABORTED"},
    {EFI_SECURITY_VIOLATION, "EFI_SECURITY_VIOLATION"},
    // Not named in the shared header; values from UEFI 2.10, appendix D.
    {ENCODE_ERROR(18), "EFI_TIMEOUT"},
    {ENCODE_ERROR(19), "EFI_NOT_STARTED"},
    {ENCODE_ERROR(20), "EFI_ALREADY_STARTED"},
};

// %r: the status's name, or its value in hex.
const auto kPutStatus = [](auto &Out, EFI_STATUS Status) {
  const char *Name = StatusName(Status);
  if (Name != NULL) {
    fmt::String(Out, Name);
  } else {
    fmt::String(Out, "0x");
    fmt::Number(Out, Status, 16, 16, '0');
  }
};

}  // namespace

const char *StatusName(EFI_STATUS Status) {
  for (const STATUS_NAME &Entry : kStatusNames) {
    if (Entry.Status == Status) {
      return Entry.Name;
    }
  }
  return NULL;
}

void PrintInit(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *ConOut) {
  gConOut = ConOut;
  gLineLength = 0;
}

void VPrint(const char *Fmt, __builtin_va_list Args) {
  fmt::Format(PutConsole, Fmt, Args, kPutStatus);
  FlushLine();
}

void Print(const char *Fmt, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Fmt);
  VPrint(Fmt, Args);
  __builtin_va_end(Args);
}

UINTN VFormatString(char *Buffer, UINTN Size, const char *Fmt, __builtin_va_list Args) {
  UINTN Length = 0;
  const auto PutBuffer = [&](char C) {
    if (Length + 1 < Size) {
      Buffer[Length++] = C;
    }
  };
  fmt::Format(PutBuffer, Fmt, Args, kPutStatus);
  if (Size > 0) {
    Buffer[Length] = 0;
  }
  return Length;
}

UINTN FormatString(char *Buffer, UINTN Size, const char *Fmt, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Fmt);
  const UINTN Length = VFormatString(Buffer, Size, Fmt, Args);
  __builtin_va_end(Args);
  return Length;
}
