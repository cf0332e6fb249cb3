// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// What each image's entry did: its installs, its handle, its PCD reads, its messages, and
// the report of them.
#include "tests/uefi/Checks.h"

#include "tests/uefi/Doubles.h"
#include "tests/uefi/Handles.h"

#include <Protocol/HeapList.h>

namespace {

struct INSTALL_WANT {
  const EFI_GUID *Guid;
  EFI_GUID Storage;
  bool OnImageHandle;  // else on a new handle
  bool NullInterface;
  EFI_STATUS Status;
};

constexpr PCD_WANT kConfigurationReads[] = {
    {'B', 846, TPL_APPLICATION},  {'B', 1180, TPL_APPLICATION}, {'8', 1104, TPL_APPLICATION},
    {'8', 1179, TPL_APPLICATION}, {'8', 1185, TPL_APPLICATION}, {'8', 1183, TPL_APPLICATION},
    {'4', 1184, TPL_APPLICATION}, {'B', 1181, TPL_APPLICATION}, {'4', 1113, TPL_APPLICATION},
    {'4', 1112, TPL_APPLICATION}, {'8', 1182, TPL_APPLICATION},
};

}  // namespace

// The image's installs during the round's starts, compared call by call.
void CheckInstalls(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  INSTALL_WANT Want[40];
  UINTN WantCount = 0;
  const bool HeapAttempt = Image.Position == 0 || (Image.Position == 1 && Round.FailHeapInstall);
  if (HeapAttempt) {
    const bool Injected = Image.Position == 0 && Round.FailHeapInstall;
    Want[WantCount++] = {&gHeapListProtocolGuid, {}, false, false, Injected ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS};
  }
  if (Accepted(Image)) {
    Want[WantCount++] = {&gProcessorClassProtocolGuid, {}, true, false, EFI_SUCCESS};
    Want[WantCount++] = {&gPlatformInfoProtocolGuid, {}, true, false, EFI_SUCCESS};
    for (UINTN Index = 0; Index < Image.Variant->PresenceCount; Index++) {
      INSTALL_WANT &W = Want[WantCount++];
      const bool Planted = Round.FailPresence && Index + 1 == Image.Variant->PresenceCount;
      W = {NULL, {}, true, true, Planted ? EFI_INVALID_PARAMETER : EFI_SUCCESS};
      ParseGuid(Image.Variant->Presence[Index], &W.Storage);
      W.Guid = &W.Storage;
    }
  }

  UINTN Seen = 0;
  for (UINTN Index = Marks.Install; Index < Marks.InstallAfterStart && Index < 256; Index++) {
    const INSTALL_CALL &Call = gInstalls[Index];
    if (Call.Caller != &Image) {
      continue;
    }
    if (Seen >= WantCount) {
      Fail(Image.Subject, "installs", "unexpected install #%u of %g (status %r)", static_cast<UINT32>(Seen + 1),
           &Call.Guid, Call.Status);
      return;
    }
    const INSTALL_WANT &W = Want[Seen++];
    const bool HandleOk = W.OnImageHandle ? Call.HandleIn == Image.Handle && Call.HandleOut == Image.Handle
                                          : Call.HandleIn == NULL;
    const bool InterfaceOk = W.NullInterface ? Call.Interface == NULL : InImage(Image, Call.Interface);
    if (!GuidEquals(&Call.Guid, W.Guid) || !HandleOk || !InterfaceOk || Call.InterfaceType != EFI_NATIVE_INTERFACE ||
        Call.Status != W.Status) {
      Fail(Image.Subject, "installs",
           "install #%u: %g on handle %p (image %p), interface %p, type %u, status %r; want %g on %a, %a interface, %r",
           static_cast<UINT32>(Seen), &Call.Guid, Call.HandleIn, Image.Handle, Call.Interface, Call.InterfaceType,
           Call.Status, W.Guid, W.OnImageHandle ? "the image handle" : "a new handle",
           W.NullInterface ? "a NULL" : "an in-image", W.Status);
      return;
    }
  }
  Expect(Seen == WantCount, Image.Subject, "installs", "%u installs, want %u", static_cast<UINT32>(Seen),
         static_cast<UINT32>(WantCount));
}

// ProtocolsPerHandle: exactly the firmware's own protocols plus what the driver published.
void CheckHandle(const DRIVER_IMAGE &Image) {
  PROTOCOL_LIST List = ListProtocols(Image.Handle);
  if (EFI_ERROR(List.Status)) {
    Fail(Image.Subject, "handle", "ProtocolsPerHandle returned %r", List.Status);
    return;
  }
  const bool Publishes = Accepted(Image);
  const UINTN Published = Publishes ? 2 + Image.Variant->PresenceCount : 0;
  UINTN Missing = 0;
  EFI_GUID FirstMissing = {};
  auto Need = [&](const EFI_GUID &Guid) {
    if (!ListHas(List, &Guid) && Missing++ == 0) {
      FirstMissing = Guid;
    }
  };
  for (UINTN Index = 0; Index < Image.BaselineCount; Index++) {
    Need(Image.Baseline[Index]);
  }
  if (Publishes) {
    Need(gProcessorClassProtocolGuid);
    Need(gPlatformInfoProtocolGuid);
    for (UINTN Index = 0; Index < Image.Variant->PresenceCount; Index++) {
      EFI_GUID Presence;
      ParseGuid(Image.Variant->Presence[Index], &Presence);
      Need(Presence);
    }
  }
  Expect(Missing == 0 && List.Count == Image.BaselineCount + Published, Image.Subject, "handle",
         "%u protocols on the image handle, want %u; %u missing (e.g. %g)", static_cast<UINT32>(List.Count),
         static_cast<UINT32>(Image.BaselineCount + Published), static_cast<UINT32>(Missing), &FirstMissing);
  FreeProtocolList(&List);
}

// During the entry: the eleven configuration tokens, then the fix-up's two at TPL_CALLBACK
// when the start-up chain signals its event; no PCD_PROTOCOL, no reads at all.
void CheckEntryReads(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  PCD_WANT Want[13];
  UINTN Count = 0;
  for (UINTN Index = 0; Round.Pcd == PcdOurs && Index < sizeof(kConfigurationReads) / sizeof(Want[0]); Index++) {
    Want[Count++] = kConfigurationReads[Index];
  }
  for (UINTN Index = 0; Round.Pcd != PcdHidden && Index < 2; Index++) {
    Want[Count++] = kIoApicReads[Index];
  }
  CheckReads(Image, "pcd_reads", Marks.Pcd, Marks.PcdAfterStart, Want, Count);
}

// A missing PCD protocol or a failed presence install is reported once through the
// debug-print protocol; otherwise the entry prints nothing (the shipped hook table is empty).
void CheckMessages(const ROUND &Round, const DRIVER_IMAGE &Image, const MARKS &Marks) {
  const char *WantFormat = NULL;
  const char *WantText = NULL;
  if (Round.Pcd == PcdHidden) {
    WantFormat = "[%a] LocateProtocol: gPcdProtocolGuid, Status: %r\n";
    WantText = "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gPcdProtocolGuid, Status: EFI_NOT_FOUND\n";
  } else if (Round.Pcd == PcdEfiHidden) {
    WantFormat = "[%a] LocateProtocol: gEfiPcdProtocolGuid, Status: %r\n";
    WantText = "[QorCfgPcdBufLibDxeConstructor] LocateProtocol: gEfiPcdProtocolGuid, Status: EFI_NOT_FOUND\n";
  } else if (Round.FailPresence && Accepted(Image) && Round.Start != StartObserve) {
    WantFormat = "[DriverMain] InstallProtocolInterface: module presence GUID, Status: %r\n";
    WantText = "[DriverMain] InstallProtocolInterface: module presence GUID, Status: EFI_INVALID_PARAMETER\n";
  }
  UINTN Seen = 0;
  const DEBUG_MESSAGE *First = NULL;
  for (UINTN Index = Marks.Message; Index < Marks.MessageAfterStart && Index < 32; Index++) {
    if (gMessages[Index].Caller == &Image) {
      if (First == NULL) {
        First = &gMessages[Index];
      }
      Seen++;
    }
  }
  if (WantFormat == NULL) {
    Expect(Seen == 0, Image.Subject, "messages", "%u debug messages, the first \"%a\"", static_cast<UINT32>(Seen),
           First != NULL ? First->Text : "");
    return;
  }
  Expect(Seen == 1 && First->Level == 0x80000000ULL && AsciiEqual(First->Format, WantFormat) &&
             AsciiEqual(First->Text, WantText),
         Image.Subject, "messages", "%u messages; first at level 0x%lx: \"%a\"", static_cast<UINT32>(Seen),
         First != NULL ? First->Level : 0, First != NULL ? First->Text : "");
  if (Reporting() && First != NULL) {
    Report("  debug message (level 0x%lx): %a", First->Level, First->Text);
  }
}

void ReportImage(const DRIVER_IMAGE &Image, const ROUND &Round, const MARKS &Marks) {
  Report("%a (%a), started %a of %u: entry %r", Image.Variant->ImageName, Image.Subject, Ordinal(Image.Position),
         static_cast<UINT32>(Round.Count), Image.EntryStatus);
  if (!Accepted(Image)) {
    Report("  processor not served: CPUID 0x80000001 EAX 0x%08X & 0x0FFF0F00 = 0x%08X (serves 0x%08X), EBX[31:28] = %u",
           gScenario->Eax, gScenario->Eax & 0x0FFF0F00U, Image.Variant->AcceptedSignature, gScenario->Ebx >> 28);
  }
  UINTN Presence = 0;
  for (UINTN Index = Marks.Install; Index < Marks.InstallAfterStart && Index < 256; Index++) {
    const INSTALL_CALL &Call = gInstalls[Index];
    if (Call.Caller != &Image) {
      continue;
    }
    const char *Name = GuidName(&Call.Guid);
    const UINTN Position = PresencePosition(*Image.Variant, &Call.Guid);
    if (Name != NULL) {
      Report("  installed %a on %a: %r%a", Name, Call.HandleIn == Image.Handle ? "its image handle" : "a new handle",
             Call.Status, Call.Injected ? " (failure injected by the test)" : "");
    } else if (Position != 0) {
      if (Presence++ == 0) {
        Report("  presence GUIDs on its image handle, NULL interfaces, in install order:");
      }
      Report("    %2u  %g  %r", static_cast<UINT32>(Position), &Call.Guid, Call.Status);
    } else {
      Report("  installed %g: %r", &Call.Guid, Call.Status);
    }
  }
  if (Presence != 0) {
    Report("  %u presence GUIDs in all", static_cast<UINT32>(Presence));
  }
  if (!Accepted(Image)) {
    Report("  published nothing on its image handle");
  }
  PROTOCOL_LIST List = ListProtocols(Image.Handle);
  Report("  its image handle now carries %u protocols (%u of them the firmware's)", static_cast<UINT32>(List.Count),
         static_cast<UINT32>(Image.BaselineCount));
  FreeProtocolList(&List);
}

// The image's PCD reads between two log positions, against the expected sequence.
bool CheckReads(const DRIVER_IMAGE &Image, const char *What, UINTN From, UINTN To, const PCD_WANT *Wants,
                UINTN WantCount) {
  UINTN Seen = 0;
  for (UINTN Index = From; Index < To && Index < 512; Index++) {
    const PCD_READ &Read = gPcdReads[Index];
    if (Read.Caller != &Image) {
      continue;
    }
    if (Seen++ == WantCount) {
      Fail(Image.Subject, What, "unexpected read #%u: member %c token %u at TPL %u", static_cast<UINT32>(Seen),
           Read.Member, static_cast<UINT32>(Read.Token), static_cast<UINT32>(Read.Tpl));
      return false;
    }
    const PCD_WANT &W = Wants[Seen - 1];
    if (Read.Member != W.Member || Read.Token != W.Token || Read.Tpl != W.Tpl) {
      Fail(Image.Subject, What, "read #%u: member %c token %u at TPL %u, want member %c token %u at TPL %u",
           static_cast<UINT32>(Seen), Read.Member, static_cast<UINT32>(Read.Token), static_cast<UINT32>(Read.Tpl),
           W.Member, static_cast<UINT32>(W.Token), static_cast<UINT32>(W.Tpl));
      return false;
    }
  }
  return Expect(Seen == WantCount, Image.Subject, What, "%u PCD reads, want %u", static_cast<UINT32>(Seen),
                static_cast<UINT32>(WantCount));
}
