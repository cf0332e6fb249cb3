#include "tests/uefi/Print.h"

namespace {

// Where formatted characters go: the console line buffer or a caller's string.
struct SINK {
  void (*Put)(SINK *Sink, char C);
  char *Buffer;
  UINTN Size;
  UINTN Length;
};

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

void PutConsole(SINK *, char C) {
  if (gLineLength + 2 >= sizeof(gLine) / sizeof(gLine[0])) {
    FlushLine();
  }
  if (C == '\n') {
    gLine[gLineLength++] = u'\r';
  }
  gLine[gLineLength++] = static_cast<CHAR16>(static_cast<UINT8>(C));
}

void PutBuffer(SINK *Sink, char C) {
  if (Sink->Length + 1 < Sink->Size) {
    Sink->Buffer[Sink->Length++] = C;
  }
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

void PutString(SINK *Sink, const char *S) {
  if (S == NULL) {
    S = "(null)";
  }
  while (*S != 0) {
    Sink->Put(Sink, *S++);
  }
}

void PutNumber(SINK *Sink, UINT64 Value, UINT32 Base, bool Upper, UINTN Width, char Pad) {
  char Digits[24];
  UINTN Count = 0;
  const char *Alphabet = Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  do {
    Digits[Count++] = Alphabet[Value % Base];
    Value /= Base;
  } while (Value != 0);
  while (Width > Count) {
    Sink->Put(Sink, Pad);
    Width--;
  }
  while (Count > 0) {
    Sink->Put(Sink, Digits[--Count]);
  }
}

void PutGuid(SINK *Sink, const EFI_GUID *Guid) {
  if (Guid == NULL) {
    PutString(Sink, "(null guid)");
    return;
  }
  PutNumber(Sink, Guid->Data1, 16, true, 8, '0');
  Sink->Put(Sink, '-');
  PutNumber(Sink, Guid->Data2, 16, true, 4, '0');
  Sink->Put(Sink, '-');
  PutNumber(Sink, Guid->Data3, 16, true, 4, '0');
  Sink->Put(Sink, '-');
  for (UINTN Index = 0; Index < 8; Index++) {
    if (Index == 2) {
      Sink->Put(Sink, '-');
    }
    PutNumber(Sink, Guid->Data4[Index], 16, true, 2, '0');
  }
}

void Format(SINK *Sink, const char *Fmt, __builtin_va_list Args) {
  while (*Fmt != 0) {
    if (*Fmt != '%') {
      Sink->Put(Sink, *Fmt++);
      continue;
    }
    Fmt++;
    bool Left = false;
    if (*Fmt == '-') {
      Left = true;
      Fmt++;
    }
    char Pad = ' ';
    if (*Fmt == '0') {
      Pad = '0';
      Fmt++;
    }
    UINTN Width = 0;
    while (*Fmt >= '0' && *Fmt <= '9') {
      Width = Width * 10 + static_cast<UINTN>(*Fmt++ - '0');
    }
    bool Long = false;
    if (*Fmt == 'l') {
      Long = true;
      Fmt++;
    }
    const char Conversion = *Fmt;
    if (Conversion == 0) {
      break;
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
          Sink->Put(Sink, ' ');
        }
        PutString(Sink, S);
        for (; Left && Length < Width; Width--) {
          Sink->Put(Sink, ' ');
        }
        break;
      }
      case 's': {
        const CHAR16 *S = __builtin_va_arg(Args, const CHAR16 *);
        if (S == NULL) {
          PutString(Sink, "(null)");
          break;
        }
        // Only ASCII is expected; anything wider shows as '?'.
        for (; *S != 0; S++) {
          Sink->Put(Sink, *S < 0x80 ? static_cast<char>(*S) : '?');
        }
        break;
      }
      case 'c':
        Sink->Put(Sink, static_cast<char>(__builtin_va_arg(Args, int)));
        break;
      case 'u':
      case 'x':
      case 'X': {
        const UINT64 Value = Long ? __builtin_va_arg(Args, UINT64) : __builtin_va_arg(Args, UINT32);
        PutNumber(Sink, Value, Conversion == 'u' ? 10 : 16, Conversion == 'X', Width, Pad);
        break;
      }
      case 'd': {
        const INT64 Value = Long ? __builtin_va_arg(Args, INT64) : __builtin_va_arg(Args, INT32);
        if (Value < 0) {
          Sink->Put(Sink, '-');
        }
        const UINT64 Magnitude = Value < 0 ? 0 - static_cast<UINT64>(Value) : static_cast<UINT64>(Value);
        PutNumber(Sink, Magnitude, 10, false, Width, Pad);
        break;
      }
      case 'p':
        PutString(Sink, "0x");
        PutNumber(Sink, reinterpret_cast<UINT64>(__builtin_va_arg(Args, VOID *)), 16, false, 0, ' ');
        break;
      case 'r': {
        const EFI_STATUS Status = __builtin_va_arg(Args, EFI_STATUS);
        const char *Name = StatusName(Status);
        if (Name != NULL) {
          PutString(Sink, Name);
        } else {
          PutString(Sink, "0x");
          PutNumber(Sink, Status, 16, true, 16, '0');
        }
        break;
      }
      case 'g':
        PutGuid(Sink, __builtin_va_arg(Args, const EFI_GUID *));
        break;
      default:
        Sink->Put(Sink, '%');
        Sink->Put(Sink, Conversion);
        break;
    }
  }
}

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
  SINK Sink = {PutConsole, NULL, 0, 0};
  Format(&Sink, Fmt, Args);
  FlushLine();
}

void Print(const char *Fmt, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Fmt);
  VPrint(Fmt, Args);
  __builtin_va_end(Args);
}

UINTN VFormatString(char *Buffer, UINTN Size, const char *Fmt, __builtin_va_list Args) {
  SINK Sink = {PutBuffer, Buffer, Size, 0};
  Format(&Sink, Fmt, Args);
  if (Size > 0) {
    Buffer[Sink.Length] = 0;
  }
  return Sink.Length;
}

UINTN FormatString(char *Buffer, UINTN Size, const char *Fmt, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Fmt);
  const UINTN Length = VFormatString(Buffer, Size, Fmt, Args);
  __builtin_va_end(Args);
  return Length;
}
