/** @file
  A C driver of the platform that uses what SocDxeM70 publishes, built from MdePkg and the
  drivers' public headers alone. Its dependency expression waits on a presence GUID that
  only SocDxeM70 installs, so on a processor SocDxeM70 does not serve it is never
  dispatched, and on the platform's REGISTER_ACCESS_PROTOCOL, which the platform
  information services read through. It calls every service once and keeps the answers on its image handle for
  the test application, and in the debug log.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/
#include <Uefi.h>
#include <Library/DebugLib.h>
#include <Library/UefiBootServicesTableLib.h>
#include <Protocol/HeapList.h>
#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>

#include "SocRefPlatform.h"

STATIC SOC_REF_CONSUMER_RESULT  mResult;
STATIC EFI_GUID                 mResultGuid = SOC_REF_CONSUMER_RESULT_GUID;

EFI_STATUS
EFIAPI
SocRefConsumerEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  )
{
  PROCESSOR_CLASS_PROTOCOL        *Class;
  PLATFORM_INFO_PROTOCOL          *Info;
  HEAP_LIST_PROTOCOL              *Heap;
  CONST PLATFORM_INFO_DESCRIPTOR  *Descriptor;
  LIST_ENTRY                      *Link;
  PROCESSOR_CLASS_ID              Scratch;

  mResult.Located[0] = gBS->LocateProtocol (&gProcessorClassProtocolGuid, NULL, (VOID **)&Class);
  mResult.Located[1] = gBS->LocateProtocol (&gPlatformInfoProtocolGuid, NULL, (VOID **)&Info);
  mResult.Located[2] = gBS->LocateProtocol (&gHeapListProtocolGuid, NULL, (VOID **)&Heap);
  if (EFI_ERROR (mResult.Located[0]) || EFI_ERROR (mResult.Located[1]) || EFI_ERROR (mResult.Located[2])) {
    DEBUG ((DEBUG_ERROR, "SocRefConsumer: protocols %r %r %r\n", mResult.Located[0], mResult.Located[1], mResult.Located[2]));
    return gBS->InstallProtocolInterface (&ImageHandle, &mResultGuid, EFI_NATIVE_INTERFACE, &mResult);
  }

  mResult.ThisCore       = Class->GetClassOfThisCore (Class, &mResult.ThisCoreId);
  mResult.CoreOfThisCore = Class->GetCoreClassOfThisCore (Class, &mResult.CoreOfThisCoreId);
  mResult.Socket0        = Class->GetClassOfSocket (Class, 0, &mResult.Socket0Id);
  mResult.Socket1        = Class->GetClassOfSocket (Class, 1, &Scratch);

  mResult.InfoByteValue = SOC_REF_UNTOUCHED;
  mResult.UnitMask      = SOC_REF_UNTOUCHED;
  mResult.UnitField     = SOC_REF_UNTOUCHED;
  mResult.UnitWidth     = SOC_REF_UNTOUCHED;
  mResult.UnitFlag      = 0xA5;
  mResult.InfoByte      = Info->GetInfoByte (Info, &mResult.InfoByteValue);
  mResult.UnitInfo      = Info->GetUnitInfo (Info, &mResult.UnitMask, &mResult.UnitField, &mResult.UnitWidth, &mResult.UnitFlag);
  mResult.Descriptor    = Info->GetDescriptor (Info, &Descriptor);
  if (!EFI_ERROR (mResult.Descriptor)) {
    mResult.DescriptorWords = *Descriptor;
  }

  mResult.Reserved = Info->ReservedService (Info);

  for (Link = Heap->HeapList.ForwardLink; Link != &Heap->HeapList && mResult.HeapNodes < 64; Link = Link->ForwardLink) {
    mResult.HeapNodes++;
    mResult.HeapBytes += ((HEAP_NODE *)Link)->Header.DataSize;
  }

  DEBUG ((
    DEBUG_INFO,
    "SocRefConsumer: GetClassOfThisCore %r %08x/%04x, GetCoreClassOfThisCore %r %08x/%04x, GetClassOfSocket(0) %r, (1) %r\n",
    mResult.ThisCore,
    mResult.ThisCoreId.FamilyClass,
    mResult.ThisCoreId.RevisionClass,
    mResult.CoreOfThisCore,
    mResult.CoreOfThisCoreId.FamilyClass,
    mResult.CoreOfThisCoreId.RevisionClass,
    mResult.Socket0,
    mResult.Socket1
    ));
  DEBUG ((
    DEBUG_INFO,
    "SocRefConsumer: GetInfoByte %r 0x%02x, GetUnitInfo %r mask %u field 0x%02x width %u flag %u, GetDescriptor %r %x %x %x %x, "
    "ReservedService %r, %u heap nodes of %u bytes\n",
    mResult.InfoByte,
    mResult.InfoByteValue,
    mResult.UnitInfo,
    mResult.UnitMask,
    mResult.UnitField,
    mResult.UnitWidth,
    mResult.UnitFlag,
    mResult.Descriptor,
    mResult.DescriptorWords.Word[0],
    mResult.DescriptorWords.Word[1],
    mResult.DescriptorWords.Word[2],
    mResult.DescriptorWords.Word[3],
    mResult.Reserved,
    mResult.HeapNodes,
    mResult.HeapBytes
    ));
  return gBS->InstallProtocolInterface (&ImageHandle, &mResultGuid, EFI_NATIVE_INTERFACE, &mResult);
}
