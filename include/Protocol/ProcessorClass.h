/** @file
  PROCESSOR_CLASS_PROTOCOL: the family class and silicon-revision class of the processor,
  each a one-hot bit mask. SocDxeM70 or SocDxeM60 installs it on its image handle when
  the processor is the variant the driver serves.

  Every service returns EFI_INVALID_PARAMETER for a NULL ClassId (and GetClassOfSocket
  for a Socket other than 0) before it touches the hardware, and EFI_DEVICE_ERROR when
  no row of the driver's class tables serves the processor.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_PROCESSOR_CLASS_PROTOCOL_H_
#define SOC_PROCESSOR_CLASS_PROTOCOL_H_

#include <SocDxeLayout.h>

#define PROCESSOR_CLASS_PROTOCOL_GUID \
  { 0x72F8E409, 0x0D2A, 0x4B91, { 0x88, 0x6F, 0xBA, 0x13, 0x44, 0x9F, 0xD7, 0x78 } }

#define PROCESSOR_CLASS_PROTOCOL_REVISION  1

typedef struct _PROCESSOR_CLASS_PROTOCOL PROCESSOR_CLASS_PROTOCOL;

typedef struct {
  UINT32    FamilyClass;
  UINT16    RevisionClass;
} PROCESSOR_CLASS_ID;

/**
  The class pair of the executing core, from CPUID 0x80000001.
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_THIS_CORE)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

/**
  The class pair of the processor in Socket (only 0 is served), read through the
  PCI Express configuration window.
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_SOCKET)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  IN  UINTN                           Socket,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

/**
  The core-class pair of the executing core.
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CORE_CLASS_OF_THIS_CORE)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

struct _PROCESSOR_CLASS_PROTOCOL {
  UINT64                                         Revision;
  PROCESSOR_CLASS_GET_CLASS_OF_THIS_CORE         GetClassOfThisCore;
  PROCESSOR_CLASS_GET_CLASS_OF_SOCKET            GetClassOfSocket;
  PROCESSOR_CLASS_GET_CORE_CLASS_OF_THIS_CORE    GetCoreClassOfThisCore;
};

SOC_DXE_SIZE (PROCESSOR_CLASS_ID, 8);
SOC_DXE_FIELD (PROCESSOR_CLASS_ID, FamilyClass, 0, 4);
SOC_DXE_FIELD (PROCESSOR_CLASS_ID, RevisionClass, 4, 2);
SOC_DXE_SIZE (PROCESSOR_CLASS_PROTOCOL, 32);
SOC_DXE_FIELD (PROCESSOR_CLASS_PROTOCOL, Revision, 0, 8);
SOC_DXE_FIELD (PROCESSOR_CLASS_PROTOCOL, GetClassOfThisCore, 8, 8);
SOC_DXE_FIELD (PROCESSOR_CLASS_PROTOCOL, GetClassOfSocket, 16, 8);
SOC_DXE_FIELD (PROCESSOR_CLASS_PROTOCOL, GetCoreClassOfThisCore, 24, 8);

#ifdef __cplusplus
extern "C" {
#endif

extern EFI_GUID  gProcessorClassProtocolGuid;

#ifdef __cplusplus
}
#endif

#endif
