// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Simulated protocols that other drivers or the platform would publish: PCD, debug
// print, register access. Each is a plain interface record a test can install.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "efi/Uefi.h"

namespace sim {

// PCD_PROTOCOL over a token map. Tokens that were never set read as 0. Only one PCD
// model is live at a time, because the PCD members receive no instance pointer.
class PcdModel {
 public:
  PcdModel();
  ~PcdModel();
  PCD_PROTOCOL *Protocol() { return &Interface; }
  // A stand-in for EFI_PCD_PROTOCOL, which is only ever located.
  VOID *EfiPcdProtocol() { return &EfiPcd; }

  std::map<UINTN, UINT64> Tokens;
  struct Read {
    std::string Member;  // "Get8", "Get16", "Get32", "Get64", "GetBool"
    UINTN Token;
    bool operator==(const Read &) const = default;
  };
  std::vector<Read> Reads;

  static PcdModel &Current();

 private:
  PCD_PROTOCOL Interface{};
  UINT64 EfiPcd[16]{};
  PcdModel *Previous = nullptr;
};

// DEBUG_PRINT_PROTOCOL: Print(level, format, VA_LIST) as its first member. Formats as
// tests/common/Format.h does, %r as EDK2 spells a status.
struct DebugPrintModel {
  typedef EFI_STATUS(EFIAPI *PRINT)(UINT64 Level, const CHAR8 *Format, VA_LIST Marker);
  PRINT Print;  // must stay the first member: the drivers call through offset 0
  struct Message {
    UINT64 Level;
    std::string Format;
    std::string Text;
  };
  std::vector<Message> Messages;
  EFI_STATUS Answer = EFI_SUCCESS;

  DebugPrintModel();
};
static_assert(offsetof(DebugPrintModel, Print) == 0, "Print is the first member");

std::string FormatMessage(const char *Format, VA_LIST Marker);
// EDK2-style text of a status code, as %r prints it.
std::string StatusText(EFI_STATUS Status);

}  // namespace sim

// The drivers' own name for the interface; the model's member carries exactly their
// function type, since a call through a pointer of another type is undefined.
typedef struct _REGISTER_ACCESS_PROTOCOL REGISTER_ACCESS_PROTOCOL;

namespace sim {

// REGISTER_ACCESS_PROTOCOL: the drivers call the member at offset 32 as
// ReadRegister(This, 0, Address, &Value).
struct RegisterAccessModel {
  typedef EFI_STATUS(EFIAPI *READ_REGISTER)(REGISTER_ACCESS_PROTOCOL *This, UINTN Zero, UINT32 Address,
                                            UINT32 *Value);
  VOID *Unused[4] = {};
  READ_REGISTER ReadRegister;

  std::map<UINT32, UINT32> Registers;  // unset registers read as 0
  struct Read {
    UINTN Zero;
    UINT32 Address;
    bool operator==(const Read &) const = default;
  };
  std::vector<Read> Reads;
  EFI_STATUS Answer = EFI_SUCCESS;

  RegisterAccessModel();
};
static_assert(offsetof(RegisterAccessModel, ReadRegister) == 32, "ReadRegister at offset 32");

}  // namespace sim
