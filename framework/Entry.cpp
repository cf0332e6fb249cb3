// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugOutput.h"
#include "framework/Framework.h"
#include "heap/HeapMigration.h"
#include "debug/DebugMessages.h"
#include "ioapic/IoApic.h"
#include "processor/Processor.h"

#include <Protocol/InterruptTable.h>

EFI_SYSTEM_TABLE *gSystemTable = NULL;
EFI_BOOT_SERVICES *gBootServices = NULL;

static VOID ArmIoApicNotification() {
  EFI_EVENT Event = NULL;
  VOID *Registration = NULL;
  const EFI_STATUS Status = gBootServices->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, IoApicIdFixup, NULL, &Event);
  // Without an event there is nothing to register or signal.
  if (EFI_ERROR(Status) || Event == NULL) {
    return;
  }
  gBootServices->RegisterProtocolNotify(&gInterruptTableProtocolGuid, Event, &Registration);
  gBootServices->SignalEvent(Event);
}

VOID RunStartupChain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  (void)ImageHandle;
  gSystemTable = SystemTable;
  gBootServices = SystemTable->BootServices;

  FillCfgPcdBuf();
  GetHobList();
  MigrateHeapHobs();
  LookupConfigurationTable(&gEfiDxeServicesTableGuid, &gDxeServices);
  StartDebugOutputBackends();
  ArmIoApicNotification();
}

// Once the start-up chain has run, the image always owns something live: the armed
// notification at least, and often protocols whose interfaces lie in it. An error status
// would make the DXE core unload the image and free those pages while they stay
// registered, so a failure of driver main is reported as a message instead.
extern "C" EFI_STATUS EFIAPI DriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  RunStartupChain(ImageHandle, SystemTable);
  const EFI_STATUS Status = DriverMain(ImageHandle);
  if (EFI_ERROR(Status)) {
    DebugPrint(DEBUG_ERROR, "[DriverMain] InstallProtocolInterface: module presence GUID, Status: %r\n", Status);
  }
  return EFI_SUCCESS;
}
