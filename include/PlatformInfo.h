// PLATFORM_INFO_PROTOCOL and the descriptor it hands out. Other drivers call through the
// record and read the descriptor in place, so both layouts are fixed.
#pragma once

#include "uefi/UefiBaseType.h"

struct PLATFORM_INFO_DESCRIPTOR {
  UINT32 Word[4];
};
static_assert(sizeof(PLATFORM_INFO_DESCRIPTOR) == 16, "PLATFORM_INFO_DESCRIPTOR size");
static_assert(offsetof(PLATFORM_INFO_DESCRIPTOR, Word) == 0, "PLATFORM_INFO_DESCRIPTOR.Word");

struct PLATFORM_INFO_PROTOCOL;

typedef EFI_STATUS(EFIAPI *PLATFORM_INFO_GET_INFO_BYTE)(const PLATFORM_INFO_PROTOCOL *This, UINT32 *Value);
typedef EFI_STATUS(EFIAPI *PLATFORM_INFO_GET_UNIT_INFO)(const PLATFORM_INFO_PROTOCOL *This, UINT32 *UnitMask,
                                                        UINT32 *Field, UINT32 *Width, UINT8 *Flag);
typedef EFI_STATUS(EFIAPI *PLATFORM_INFO_GET_DESCRIPTOR)(const PLATFORM_INFO_PROTOCOL *This,
                                                         const PLATFORM_INFO_DESCRIPTOR **Descriptor);
typedef EFI_STATUS(EFIAPI *PLATFORM_INFO_RESERVED_SERVICE)(const PLATFORM_INFO_PROTOCOL *This);

#define PLATFORM_INFO_PROTOCOL_REVISION 1

// GetInfoByte and GetUnitInfo locate a protocol (LocateProtocol, TPL_NOTIFY at most), so
// call them at TPL_NOTIFY or below.

struct PLATFORM_INFO_PROTOCOL {
  UINT64 Revision;
  PLATFORM_INFO_GET_INFO_BYTE GetInfoByte;
  PLATFORM_INFO_GET_UNIT_INFO GetUnitInfo;
  PLATFORM_INFO_GET_DESCRIPTOR GetDescriptor;
  PLATFORM_INFO_RESERVED_SERVICE ReservedService;
};
static_assert(sizeof(PLATFORM_INFO_PROTOCOL) == 40, "PLATFORM_INFO_PROTOCOL size");
static_assert(offsetof(PLATFORM_INFO_PROTOCOL, Revision) == 0, "PLATFORM_INFO_PROTOCOL.Revision");
static_assert(offsetof(PLATFORM_INFO_PROTOCOL, GetInfoByte) == 8, "PLATFORM_INFO_PROTOCOL.GetInfoByte");
static_assert(offsetof(PLATFORM_INFO_PROTOCOL, GetUnitInfo) == 16, "PLATFORM_INFO_PROTOCOL.GetUnitInfo");
static_assert(offsetof(PLATFORM_INFO_PROTOCOL, GetDescriptor) == 24, "PLATFORM_INFO_PROTOCOL.GetDescriptor");
static_assert(offsetof(PLATFORM_INFO_PROTOCOL, ReservedService) == 32, "PLATFORM_INFO_PROTOCOL.ReservedService");

// The one member of the outside REGISTER_ACCESS_PROTOCOL this driver uses: the read
// service at byte offset 32, called as ReadRegister(This, 0, Address, &Value).
struct REGISTER_ACCESS_PROTOCOL;
typedef EFI_STATUS(EFIAPI *REGISTER_ACCESS_READ_REGISTER)(REGISTER_ACCESS_PROTOCOL *This, UINTN Space,
                                                          UINT32 Address, UINT32 *Value);
struct REGISTER_ACCESS_PROTOCOL {
  VOID *OtherMembers[4];
  REGISTER_ACCESS_READ_REGISTER ReadRegister;
};
static_assert(offsetof(REGISTER_ACCESS_PROTOCOL, ReadRegister) == 32, "REGISTER_ACCESS_PROTOCOL.ReadRegister");
