#include "testing/sim/Protocols.h"

#include <cstdio>
#include <stdexcept>

#include "testing/sim/Machine.h"

namespace sim {

namespace {
PcdModel *gPcd = nullptr;

UINT64 PcdRead(const char *Member, UINTN Token) {
  PcdModel &P = PcdModel::Current();
  P.Reads.push_back({Member, Token});
  TheMachine().Note(std::string(Member) + " " + std::to_string(Token));
  auto It = P.Tokens.find(Token);
  return It == P.Tokens.end() ? 0 : It->second;
}

UINT8 EFIAPI Get8(UINTN Token) { return static_cast<UINT8>(PcdRead("Get8", Token)); }
UINT16 EFIAPI Get16(UINTN Token) { return static_cast<UINT16>(PcdRead("Get16", Token)); }
UINT32 EFIAPI Get32(UINTN Token) { return static_cast<UINT32>(PcdRead("Get32", Token)); }
UINT64 EFIAPI Get64(UINTN Token) { return PcdRead("Get64", Token); }
// A PCD database may hold any byte in a BOOLEAN token; it comes back as it is.
BOOLEAN EFIAPI GetBool(UINTN Token) { return static_cast<BOOLEAN>(PcdRead("GetBool", Token)); }
}  // namespace

PcdModel::PcdModel() {
  Previous = gPcd;
  gPcd = this;
  Interface.Get8 = Get8;
  Interface.Get16 = Get16;
  Interface.Get32 = Get32;
  Interface.Get64 = Get64;
  Interface.GetBool = GetBool;
}

PcdModel::~PcdModel() { gPcd = Previous; }

PcdModel &PcdModel::Current() {
  if (gPcd == nullptr) throw std::logic_error("PCD member called with no PCD model alive");
  return *gPcd;
}

std::string StatusText(EFI_STATUS Status) {
  switch (Status) {
    case EFI_SUCCESS: return "Success";
    case EFI_LOAD_ERROR: return "Load Error";
    case EFI_INVALID_PARAMETER: return "Invalid Parameter";
    case EFI_UNSUPPORTED: return "Unsupported";
    case EFI_BAD_BUFFER_SIZE: return "Bad Buffer Size";
    case EFI_BUFFER_TOO_SMALL: return "Buffer Too Small";
    case EFI_NOT_READY: return "Not Ready";
    case EFI_DEVICE_ERROR: return "Device Error";
    case EFI_OUT_OF_RESOURCES: return "Out of Resources";
    case EFI_NOT_FOUND: return "Not Found";
    case EFI_ACCESS_DENIED: return "Access Denied";
    case EFI_ABORTED: return "Aborted";
    default: {
      char Text[32];
      std::snprintf(Text, sizeof(Text), "%s %llX", EFI_ERROR(Status) ? "Error" : "Warning",
                    static_cast<unsigned long long>(Status & ~MAX_BIT));
      return Text;
    }
  }
}

std::string FormatMessage(const char *Format, VA_LIST Marker) {
  std::string Out;
  for (const char *P = Format; *P != '\0'; P++) {
    if (*P != '%') {
      Out += *P;
      continue;
    }
    P++;
    bool Zero = false;
    unsigned Width = 0;
    if (*P == '0') {
      Zero = true;
      P++;
    }
    while (*P >= '1' && *P <= '9') Width = Width * 10 + unsigned(*P++ - '0');
    while (*P >= '0' && *P <= '9') Width = Width * 10 + unsigned(*P++ - '0');
    bool Long = false;
    while (*P == 'l' || *P == 'L') {
      Long = true;
      P++;
    }
    char Spec[16];
    char Buffer[64];
    switch (*P) {
      case 'a': {
        const char *S = VA_ARG(Marker, const char *);
        Out += S ? S : "(null)";
        break;
      }
      case 's': {
        const CHAR16 *S = VA_ARG(Marker, const CHAR16 *);
        while (S && *S) Out += static_cast<char>(*S++);
        break;
      }
      case 'r': Out += StatusText(VA_ARG(Marker, EFI_STATUS)); break;
      case 'c': Out += static_cast<char>(VA_ARG(Marker, int)); break;
      case 'p':
        std::snprintf(Buffer, sizeof(Buffer), "%p", VA_ARG(Marker, VOID *));
        Out += Buffer;
        break;
      case 'x':
      case 'X':
      case 'd':
      case 'u': {
        const char Conv = (*P == 'x') ? 'X' : *P;  // EDK2 prints hex in upper case
        std::snprintf(Spec, sizeof(Spec), "%%%s%ull%c", Zero ? "0" : "", Width, Conv);
        if (Conv == 'd') {
          const long long V = Long ? VA_ARG(Marker, INT64) : VA_ARG(Marker, int);
          std::snprintf(Buffer, sizeof(Buffer), Spec, V);
        } else {
          const unsigned long long V = Long ? VA_ARG(Marker, UINT64) : VA_ARG(Marker, unsigned);
          std::snprintf(Buffer, sizeof(Buffer), Spec, V);
        }
        Out += Buffer;
        break;
      }
      case '%': Out += '%'; break;
      case '\0': return Out;
      default: Out += '%'; Out += *P; break;
    }
  }
  return Out;
}

namespace {
DebugPrintModel *gPrinter = nullptr;

EFI_STATUS EFIAPI PrintThunk(UINT64 Level, const CHAR8 *Format, VA_LIST Marker) {
  DebugPrintModel &M = *gPrinter;
  M.Messages.push_back({Level, Format, FormatMessage(Format, Marker)});
  TheMachine().Note("Print " + Hex(Level));
  return M.Answer;
}

EFI_STATUS EFIAPI ReadRegisterThunk(REGISTER_ACCESS_PROTOCOL *Interface, UINTN Zero, UINT32 Address, UINT32 *Value) {
  RegisterAccessModel *This = reinterpret_cast<RegisterAccessModel *>(Interface);
  This->Reads.push_back({Zero, Address});
  TheMachine().Note("ReadRegister " + Hex(Address));
  // A failing read may leave the caller's buffer as it found it.
  if (EFI_ERROR(This->Answer)) return This->Answer;
  auto It = This->Registers.find(Address);
  *Value = It == This->Registers.end() ? 0 : It->second;
  return This->Answer;
}
}  // namespace

DebugPrintModel::DebugPrintModel() : Print(PrintThunk) { gPrinter = this; }

RegisterAccessModel::RegisterAccessModel() : ReadRegister(ReadRegisterThunk) {}

}  // namespace sim
