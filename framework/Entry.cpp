#include "Guids.h"
#include "cfgbuf/CfgPcdBuf.h"
#include "debug/DebugOutput.h"
#include "framework/Framework.h"
#include "heap/HeapList.h"
#include "ioapic/IoApic.h"
#include "processor/Processor.h"

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

extern "C" EFI_STATUS EFIAPI DriverEntry(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  RunStartupChain(ImageHandle, SystemTable);
  return DriverMain(ImageHandle);
}
