// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The I/O APIC fix-up: the platform's tables, then the application's.
#include "tests/uefi/Checks.h"

#include "tests/common/Published.h"
#include "tests/platform/SocRefPlatform.h"
#include "tests/uefi/Doubles.h"

namespace {

UINT32 ReadIoApicId(UINT64 Base) {
  *reinterpret_cast<volatile UINT32 *>(Base) = 0;  // IOREGSEL: the identification register
  return *reinterpret_cast<volatile UINT32 *>(Base + 0x10);
}

// The tables of another driver (the reference platform's producer writes the same ones),
// with the identifiers and routing items the fix-up leaves in them when it applies Id150
// and Id152 (Applies false: nothing).
bool BuildInterruptTables(INTERRUPT_TABLES *Tables, INTERRUPT_TABLES *Want, bool Applies, UINT8 Id150, UINT8 Id152) {
  static const struct {
    UINT64 BaseAddress;
    UINT32 ApicId;
  } kRows[SOC_REF_IOAPIC_ROWS] = SOC_REF_IOAPIC_ROW_VALUES;
  static const struct {
    UINT8 InputNumber;
    UINT8 ApicId;
  } kItems[SOC_REF_ROUTING_ROWS][4] = SOC_REF_ROUTING_ITEM_VALUES;
  if (!AllocateInterruptTables(Tables, SOC_REF_IOAPIC_ROWS, SOC_REF_ROUTING_ROWS, SOC_REF_TABLE_FILL)) {
    return false;
  }
  for (UINT32 Row = 0; Row < SOC_REF_IOAPIC_ROWS; Row++) {
    SetIoApicRow(Tables, Row, kRows[Row].BaseAddress, kRows[Row].ApicId);
  }
  for (UINT32 Row = 0; Row < SOC_REF_ROUTING_ROWS; Row++) {
    for (UINT32 Item = 0; Item < 4; Item++) {
      SetRoutingItem(Tables, Row, Item, kItems[Row][Item].InputNumber, kItems[Row][Item].ApicId);
    }
  }
  if (!CopyInterruptTables(*Tables, Want)) {
    return false;
  }
  if (Applies) {
    SetIoApicRow(Want, 0, 0xFEC00000, Id150);
    SetIoApicRow(Want, 2, 0xFEC01000, Id152);
    SetRoutingItem(Want, 0, 1, 24, Id150);
    SetRoutingItem(Want, 0, 2, 55, Id150);
    SetRoutingItem(Want, 1, 0, 24, Id152);
    SetRoutingItem(Want, 1, 1, 55, Id152);
  }
  return true;
}

// The identifiers the fix-up applies: our PCD protocol's, or on the platform its own PCD
// database's, read through the same protocol the drivers use.
bool FixupIds(const ROUND &Round, const char *Subject, UINT8 *Id150, UINT8 *Id152) {
  *Id150 = kToken150Value;
  *Id152 = kToken152Value;
  if (Round.Start != StartObserve) {
    return true;
  }
  PCD_PROTOCOL *Pcd = NULL;
  if (!Expect(gBS->LocateProtocol(&gPcdProtocolGuid, NULL, reinterpret_cast<VOID **>(&Pcd)) == EFI_SUCCESS && Pcd != NULL,
              Subject, "ioapic.platform_pcd", "the platform has no PCD_PROTOCOL")) {
    return false;
  }
  *Id150 = Pcd->Get8(150);
  *Id152 = Pcd->Get8(152);
  return true;
}

bool SameTables(const INTERRUPT_TABLES &Got, const INTERRUPT_TABLES &Want, const char *Subject, const char *What) {
  UINTN IoApicAt = 0;
  UINTN At = 0;
  const bool IoApicSame = SameBytes(Got.IoApic, Want.IoApic, Want.IoApicSize, &IoApicAt);
  const bool RoutingSame = SameBytes(Got.Routing, Want.Routing, Want.RoutingSize, &At);
  return Expect(IoApicSame && RoutingSame, Subject, What,
                "I/O APIC table %a (byte %u: 0x%02X, want 0x%02X), routing table %a (byte %u: 0x%02X, want 0x%02X)",
                IoApicSame ? "as expected" : "differs", static_cast<UINT32>(IoApicAt), Got.IoApic[IoApicAt],
                Want.IoApic[IoApicAt], RoutingSame ? "as expected" : "differs", static_cast<UINT32>(At), Got.Routing[At],
                Want.Routing[At]);
}

}  // namespace

// The platform's own producer installed its tables after the drivers started: the fix-up
// ran inside the platform. Its instance is then removed, so that the application's own
// install below is the one LocateProtocol finds.
void CheckPlatformInterruptTables(const ROUND &Round, const char *Subject) {
  INTERRUPT_TABLES Expected;
  INTERRUPT_TABLES Want;
  UINT8 Id150;
  UINT8 Id152;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (!FixupIds(Round, Subject, &Id150, &Id152) ||
      !Expect(gBS->LocateHandleBuffer(ByProtocol, &gInterruptTableProtocolGuid, NULL, &Count, &Handles) == EFI_SUCCESS &&
                  Count == 1,
              Subject, "ioapic.platform_producer", "%u INTERRUPT_TABLE_PROTOCOL instances, want the platform's one",
              static_cast<UINT32>(Count)) ||
      !BuildInterruptTables(&Expected, &Want, true, Id150, Id152)) {
    return;
  }
  INTERRUPT_TABLE_PROTOCOL *Interface = NULL;
  gBS->HandleProtocol(Handles[0], &gInterruptTableProtocolGuid, reinterpret_cast<VOID **>(&Interface));
  INTERRUPT_TABLES Got = Want;
  Got.IoApic = reinterpret_cast<UINT8 *>(Interface->IoApicTable);
  Got.Routing = reinterpret_cast<UINT8 *>(Interface->RoutingTable);
  SameTables(Got, Want, Subject, "ioapic.platform_tables");
  const EFI_STATUS Removed = gBS->UninstallProtocolInterface(Handles[0], &gInterruptTableProtocolGuid, Interface);
  Expect(Removed == EFI_SUCCESS, Subject, "ioapic.platform_removed", "uninstall returned %r", Removed);
  gBS->FreePool(Handles);
  FreeInterruptTables(&Expected);
  FreeInterruptTables(&Want);
}

// The application's tables, installed once every image has started.
void CheckIoApicFixup(const ROUND &Round, const char *Subject) {
  INTERRUPT_TABLES Tables;
  INTERRUPT_TABLES Want;
  UINT8 Id150;
  UINT8 Id152;
  // Without a PCD protocol there is nothing to apply.
  const bool Applies = Round.Pcd != PcdHidden;
  if (!FixupIds(Round, Subject, &Id150, &Id152)) {
    return;
  }
  if (!BuildInterruptTables(&Tables, &Want, Applies, Id150, Id152)) {
    Fail(Subject, "ioapic", "no pool for the tables");
    return;
  }

  const UINT32 HardwareBefore[2] = {ReadIoApicId(0xFEC00000), ReadIoApicId(0xFEC01000)};
  const UINTN PcdMark = gPcdReadCount;
  EFI_HANDLE Handle = NULL;
  const EFI_STATUS Status =
      gBS->InstallProtocolInterface(&Handle, &gInterruptTableProtocolGuid, EFI_NATIVE_INTERFACE, Tables.Interface);
  const UINTN PcdEnd = gPcdReadCount;
  if (!Expect(Status == EFI_SUCCESS, Subject, "ioapic.install", "InstallProtocolInterface returned %r", Status)) {
    return;
  }
  UINTN At = 0;
  const bool InterfaceSame = SameBytes(Tables.Interface, Want.Interface, Tables.InterfaceSize, &At);
  Expect(InterfaceSame, Subject, "ioapic.interface", "interface byte %u changed", static_cast<UINT32>(At));
  SameTables(Tables, Want, Subject, "ioapic.tables");
  if (Reporting()) {
    Report("I/O APIC fix-up when INTERRUPT_TABLE_PROTOCOL is installed (PCD 150 = 0x%02X, 152 = 0x%02X):",
           Id150, Id152);
    Report("  0xFEC00000  ApicId 0xABCDEF05 -> 0x%08X   0xFEC01000  ApicId 0x12345606 -> 0x%08X",
           IoApicRowId(Tables, 0), IoApicRowId(Tables, 2));
    Report("  0x1FEC00000 ApicId 0x00000007 -> 0x%08X   0xFEC02000  ApicId 0x00000008 -> 0x%08X",
           IoApicRowId(Tables, 1), IoApicRowId(Tables, 3));
    Report("  routing (input:id) 23:05 24:05 55:05 56:05 -> 23:%02X 24:%02X 55:%02X 56:%02X", RoutingItemId(Tables, 0, 0),
           RoutingItemId(Tables, 0, 1), RoutingItemId(Tables, 0, 2), RoutingItemId(Tables, 0, 3));
    Report("  routing (input:id) 24:06 55:06 40:07 23:06 -> 24:%02X 55:%02X 40:%02X 23:%02X", RoutingItemId(Tables, 1, 0),
           RoutingItemId(Tables, 1, 1), RoutingItemId(Tables, 1, 2), RoutingItemId(Tables, 1, 3));
  }

  // Each image of the round ran its own callback, through the firmware's notification
  // (seen through our PCD protocol's log, which the platform's does not keep).
  for (UINTN Index = 0; Index < Round.Count; Index++) {
    const DRIVER_IMAGE &Image = Round.Images[Index];
    if (!Image.Started || Round.Start == StartObserve) {
      continue;
    }
    CheckReads(Image, "ioapic.notified", PcdMark, PcdEnd, kIoApicReads, Applies ? 2 : 0);
  }
  const UINT32 HardwareAfter[2] = {ReadIoApicId(0xFEC00000), ReadIoApicId(0xFEC01000)};
  Expect(HardwareAfter[0] == HardwareBefore[0] && HardwareAfter[1] == HardwareBefore[1], Subject, "ioapic.hardware",
         "identification registers 0x%08X/0x%08X before, 0x%08X/0x%08X after", HardwareBefore[0], HardwareBefore[1],
         HardwareAfter[0], HardwareAfter[1]);

  // The next round installs tables of its own, and LocateProtocol would find these first.
  const EFI_STATUS Removed = gBS->UninstallProtocolInterface(Handle, &gInterruptTableProtocolGuid, Tables.Interface);
  Expect(Removed == EFI_SUCCESS, Subject, "ioapic.removed", "uninstall returned %r", Removed);
  FreeInterruptTables(&Want);
}
