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

///
/// No family class, and no revision class: SocDxeM60's answer when no row serves.
///
#define FAMILY_CLASS_NONE    0x80000000U
#define REVISION_CLASS_NONE  0x8000U

///
/// A processor's class, found from its signature (CPUID 0x80000001 EAX layout) in the
/// serving driver's tables: a family row by family (extended + base family) and extended
/// model, then a revision row of that family by base model and stepping; the family row's
/// first revision row when none matches. Each value has one bit set.
///
/// FamilyClass, one bit per family row:
///   SocDxeM70, family 19h: 0x00001000 models 10h-1Fh, 0x00002000 70h-7Fh,
///     0x00004000 60h-6Fh, 0x00008000 A0h-AFh, 0x00010000 80h-8Fh, 0x00040000 90h-9Fh.
///   SocDxeM60, family 17h: 0x00000010 models 30h-3Fh, 0x00000004 70h-7Fh.
///   The core-class services answer the core family class: 3 (SocDxeM70), 1 (SocDxeM60).
///
/// RevisionClass (core revision class in parentheses), by model and stepping; the first
/// row of each family is its default:
///   SocDxeM70 70h-7Fh: 75h/2 0x0080 (0x0400), 7Ch/0 0x0100 (0x0100), 78h/0 0x0004
///     (0x0100), 74h/2 0x0008 (0x0400), 74h/1 0x0002 (0x0200), 74h/0 and 70h/0 0x0001
///     (0x0100).
///   SocDxeM70 60h-6Fh: 61h/2 0x0020 (0x2000), 61h/1 and 61h/0 0x0010 (0x1000), 60h/1 and
///     60h/0 0x0001 (0x0100).
///   SocDxeM70 10h-1Fh: 11h/2 0x0040 (0x4000), 11h/1 0x0020 (0x2000), 11h/0 0x0010
///     (0x1000), 10h/B 0x0004 (0x1000), 10h/1 0x0002 (0x0100), 10h/0 0x0001 (0x0100),
///     18h/1 0x0200 (0x2000), 18h/0 0x0100 (0x1000).
///   SocDxeM70 A0h-AFh: A0h/1 0x0002 (0x0200), A0h/0 0x0001 (0x0100). 80h-8Fh: 80h/0
///     0x0001 (0x0100). 90h-9Fh: 90h/1 0x0002 (0x4000), 90h/0 0x0001 (0x2000).
///   SocDxeM60 30h-3Fh: 31h/0 0x0010 (0x0010), 30h/0 0x0001 (0x0001). 70h-7Fh: 71h/0
///     0x0010 (0x0010), 70h/0 0x0001 (0x0001).
///
/// SocDxeM60 holds only family 17h rows, so on the family 19h processors it accepts its
/// services answer EFI_DEVICE_ERROR.
///
typedef struct {
  UINT32    FamilyClass;    ///< Family class bit (core family class for the core services).
  UINT16    RevisionClass;  ///< Revision class bit (core revision class for the core services).
} PROCESSOR_CLASS_ID;

/**
  The class pair of the executing core, from its CPUID 0x80000001 EAX.

  @param[in]   This     The installed instance (not examined).
  @param[out]  ClassId  Receives FamilyClass and RevisionClass; bytes 6 and 7 are not
                        written.

  @retval EFI_SUCCESS            A family row serves the signature; ClassId is written.
  @retval EFI_INVALID_PARAMETER  ClassId is NULL.
  @retval EFI_DEVICE_ERROR       No family row serves the signature. SocDxeM70 leaves
                                 ClassId alone; SocDxeM60 writes FAMILY_CLASS_NONE and
                                 REVISION_CLASS_NONE.
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_THIS_CORE)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

/**
  The class pair of the processor in socket 0, whose signature is read through the PCI
  Express configuration window at 0xE0000000: index register 0xB8 of bus 0, device 0,
  function 0 is written with 0x0005A86C, and the signature read from data register 0xBC.

  @param[in]   This     The installed instance (not examined).
  @param[in]   Socket   The socket; only 0 is served.
  @param[out]  ClassId  Receives FamilyClass and RevisionClass.

  @retval EFI_SUCCESS            A family row serves the signature; ClassId is written.
  @retval EFI_INVALID_PARAMETER  ClassId is NULL, or Socket is not 0; nothing is read.
  @retval EFI_DEVICE_ERROR       No family row serves the signature (ClassId as for
                                 GetClassOfThisCore).
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CLASS_OF_SOCKET)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  IN  UINTN                           Socket,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

/**
  The core-class pair of the executing core: the matched rows' core family class and
  core revision class, in the FamilyClass and RevisionClass fields.

  @param[in]   This     The installed instance (not examined).
  @param[out]  ClassId  Receives the core family class and core revision class.

  @retval EFI_SUCCESS            A family row serves the signature; ClassId is written.
  @retval EFI_INVALID_PARAMETER  ClassId is NULL.
  @retval EFI_DEVICE_ERROR       No family row serves the signature (ClassId as for
                                 GetClassOfThisCore).
**/
typedef
EFI_STATUS
(EFIAPI *PROCESSOR_CLASS_GET_CORE_CLASS_OF_THIS_CORE)(
  IN  CONST PROCESSOR_CLASS_PROTOCOL  *This,
  OUT PROCESSOR_CLASS_ID              *ClassId
  );

///
/// Installed on the serving driver's image handle; static data of the driver image.
///
struct _PROCESSOR_CLASS_PROTOCOL {
  UINT64                                         Revision;                ///< PROCESSOR_CLASS_PROTOCOL_REVISION
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
