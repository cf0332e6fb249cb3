// PROCESSOR_CLASS_PROTOCOL and the PROCESSOR_CLASS_ID record it fills. Other drivers
// read both, so their layouts are fixed.
#pragma once

#include "uefi/UefiBaseType.h"

#define FAMILY_CLASS_NONE 0x80000000U
#define REVISION_CLASS_NONE 0x8000U

struct PROCESSOR_CLASS_ID {
  UINT32 FamilyClass;
  UINT16 RevisionClass;
};
static_assert(sizeof(PROCESSOR_CLASS_ID) == 8, "PROCESSOR_CLASS_ID size");
static_assert(offsetof(PROCESSOR_CLASS_ID, FamilyClass) == 0, "PROCESSOR_CLASS_ID.FamilyClass");
static_assert(offsetof(PROCESSOR_CLASS_ID, RevisionClass) == 4, "PROCESSOR_CLASS_ID.RevisionClass");

struct PROCESSOR_CLASS_PROTOCOL;

typedef EFI_STATUS(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_THIS_CORE)(const PROCESSOR_CLASS_PROTOCOL *This,
                                                                  PROCESSOR_CLASS_ID *ClassId);
typedef EFI_STATUS(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_SOCKET)(const PROCESSOR_CLASS_PROTOCOL *This, UINTN Socket,
                                                                PROCESSOR_CLASS_ID *ClassId);
typedef EFI_STATUS(EFIAPI *PROCESSOR_CLASS_GET_CORE_CLASS_OF_THIS_CORE)(const PROCESSOR_CLASS_PROTOCOL *This,
                                                                       PROCESSOR_CLASS_ID *ClassId);

#define PROCESSOR_CLASS_PROTOCOL_REVISION 1

struct PROCESSOR_CLASS_PROTOCOL {
  UINT64 Revision;
  PROCESSOR_CLASS_GET_CLASS_OF_THIS_CORE GetClassOfThisCore;
  PROCESSOR_CLASS_GET_CLASS_OF_SOCKET GetClassOfSocket;
  PROCESSOR_CLASS_GET_CORE_CLASS_OF_THIS_CORE GetCoreClassOfThisCore;
};
static_assert(sizeof(PROCESSOR_CLASS_PROTOCOL) == 32, "PROCESSOR_CLASS_PROTOCOL size");
static_assert(offsetof(PROCESSOR_CLASS_PROTOCOL, Revision) == 0, "PROCESSOR_CLASS_PROTOCOL.Revision");
static_assert(offsetof(PROCESSOR_CLASS_PROTOCOL, GetClassOfThisCore) == 8, "PROCESSOR_CLASS_PROTOCOL.GetClassOfThisCore");
static_assert(offsetof(PROCESSOR_CLASS_PROTOCOL, GetClassOfSocket) == 16, "PROCESSOR_CLASS_PROTOCOL.GetClassOfSocket");
static_assert(offsetof(PROCESSOR_CLASS_PROTOCOL, GetCoreClassOfThisCore) == 24,
              "PROCESSOR_CLASS_PROTOCOL.GetCoreClassOfThisCore");
