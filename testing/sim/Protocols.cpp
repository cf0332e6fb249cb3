// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "testing/sim/Protocols.h"

#include <cstdio>
#include <stdexcept>

#include "testing/sim/Machine.h"
#include "tests/common/Format.h"

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
  const auto PutStatus = [](auto &Put, EFI_STATUS Status) {
    for (char C : StatusText(Status)) Put(C);
  };
  fmt::Format([&](char C) { Out += C; }, Format, Marker, PutStatus);
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
