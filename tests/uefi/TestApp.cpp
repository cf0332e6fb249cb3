// Boots in QEMU/OVMF as the removable-media boot application. It loads the driver images
// that the runner placed in fw_cfg, starts them in the scenario's order the way the DXE
// dispatcher would, checks the outcome and powers the machine off.
//
// Scenario (fw_cfg file "opt/soc/args"), space separated:
//   order=m70,m60      images to start, in this order (required)
//   signature=0x...    CPUID 0x80000001 EAX the runner asked QEMU for
//   mode=report        also print what each driver published
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Handles.h"
#include "tests/uefi/Harness.h"
#include "tests/uefi/Machine.h"
#include "tests/uefi/Print.h"
#include "uefi/LoadedImage.h"

namespace {

constexpr const char *kArgsFile = "opt/soc/args";
constexpr UINTN kMaxArgs = 512;

DRIVER_IMAGE gImages[] = {
    {"m70", "opt/soc/m70", NULL, kNotRun, kNotRun, false},
    {"m60", "opt/soc/m60", NULL, kNotRun, kNotRun, false},
};

DRIVER_IMAGE *FindImage(const char *Name, UINTN Length) {
  for (DRIVER_IMAGE &Image : gImages) {
    UINTN Index = 0;
    while (Index < Length && Image.Name[Index] == Name[Index]) {
      Index++;
    }
    if (Index == Length && Image.Name[Index] == 0) {
      return &Image;
    }
  }
  return NULL;
}

bool StartsWith(const char *S, const char *Prefix) {
  while (*Prefix != 0) {
    if (*S++ != *Prefix++) {
      return false;
    }
  }
  return true;
}

bool ParseHex32(const char *S, UINT32 *Value) {
  if (S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
    S += 2;
  }
  UINT64 V = 0;
  UINTN Digits = 0;
  for (; *S != 0; S++, Digits++) {
    const char C = *S;
    UINT32 D;
    if (C >= '0' && C <= '9') {
      D = static_cast<UINT32>(C - '0');
    } else if (C >= 'a' && C <= 'f') {
      D = static_cast<UINT32>(C - 'a' + 10);
    } else if (C >= 'A' && C <= 'F') {
      D = static_cast<UINT32>(C - 'A' + 10);
    } else {
      return false;
    }
    V = V * 16 + D;
  }
  if (Digits == 0 || Digits > 8) {
    return false;
  }
  *Value = static_cast<UINT32>(V);
  return true;
}

bool ParseOrder(const char *List, SCENARIO *Scenario) {
  while (*List != 0) {
    UINTN Length = 0;
    while (List[Length] != 0 && List[Length] != ',') {
      Length++;
    }
    DRIVER_IMAGE *Image = FindImage(List, Length);
    if (Image == NULL || Scenario->OrderCount == kMaxImages) {
      return false;
    }
    Scenario->Order[Scenario->OrderCount++] = Image;
    List += Length;
    if (*List == ',') {
      List++;
    }
  }
  return Scenario->OrderCount > 0;
}

// Splits Args in place at the spaces and fills Scenario; FAILs "args" on anything unknown.
bool ParseArgs(char *Args, SCENARIO *Scenario) {
  char *Cursor = Args;
  while (*Cursor != 0) {
    while (*Cursor == ' ') {
      Cursor++;
    }
    if (*Cursor == 0) {
      break;
    }
    char *Token = Cursor;
    while (*Cursor != 0 && *Cursor != ' ') {
      Cursor++;
    }
    if (*Cursor == ' ') {
      *Cursor++ = 0;
    }
    bool Ok;
    if (StartsWith(Token, "order=")) {
      Ok = ParseOrder(Token + 6, Scenario);
    } else if (StartsWith(Token, "signature=")) {
      Ok = ParseHex32(Token + 10, &Scenario->Signature);
      Scenario->HasSignature = Ok;
    } else if (AsciiEqual(Token, "mode=report")) {
      Scenario->Mode = RunReport;
      Ok = true;
    } else if (AsciiEqual(Token, "mode=check")) {
      Scenario->Mode = RunChecks;
      Ok = true;
    } else {
      Ok = false;
    }
    if (!Ok) {
      Fail(NULL, "args", "cannot use '%a'", Token);
      return false;
    }
  }
  if (Scenario->OrderCount == 0) {
    Fail(NULL, "args", "no order= given");
    return false;
  }
  return true;
}

bool ReadArgs(char *Args, UINTN Size) {
  UINT16 Selector;
  UINT32 Length;
  if (!FwCfgFindFile(kArgsFile, &Selector, &Length) || Length >= Size) {
    Fail(NULL, "args", "fw_cfg file %a missing or longer than %u bytes", kArgsFile, static_cast<UINT32>(Size - 1));
    return false;
  }
  FwCfgRead(Selector, Args, Length);
  Args[Length] = 0;
  return true;
}

// The runner asked QEMU for a signature; the drivers' processor check is only meaningful
// if the guest really sees it, with the package type (EBX 31:28) clear.
void CheckProcessor(const SCENARIO &Scenario) {
  const CPUID_REGISTERS R = MachineCpuid(0x80000001);
  Info("cpuid 0x80000001 eax=0x%08X ebx=0x%08X", R.Eax, R.Ebx);
  if (Scenario.HasSignature) {
    Expect(R.Eax == Scenario.Signature && (R.Ebx & 0xF0000000U) == 0, "cpu", "signature",
           "guest sees eax=0x%08X ebx=0x%08X, scenario wants eax=0x%08X with ebx[31:28]=0", R.Eax, R.Ebx,
           Scenario.Signature);
  }
}

// A boot-service driver (subsystem 11) must land in boot-services memory, as a child of
// the image that loaded it.
void CheckLoadedImage(const DRIVER_IMAGE &Image) {
  EFI_LOADED_IMAGE_PROTOCOL *Loaded = NULL;
  const EFI_STATUS Status = gBS->HandleProtocol(Image.Handle, &gEfiLoadedImageProtocolGuid, reinterpret_cast<VOID **>(&Loaded));
  if (EFI_ERROR(Status) || Loaded == NULL) {
    Fail(Image.Name, "loaded_image", "HandleProtocol(LOADED_IMAGE) returned %r", Status);
    return;
  }
  Expect(Loaded->ImageCodeType == EfiBootServicesCode && Loaded->ImageDataType == EfiBootServicesData &&
             Loaded->ParentHandle == gAppImage,
         Image.Name, "loaded_image", "code type %u, data type %u, parent %p (want %u, %u, %p)",
         static_cast<UINT32>(Loaded->ImageCodeType), static_cast<UINT32>(Loaded->ImageDataType), Loaded->ParentHandle,
         static_cast<UINT32>(EfiBootServicesCode), static_cast<UINT32>(EfiBootServicesData), gAppImage);
  if (Loaded->ImageSize != 0) {
    Info("%a loaded at %p, %lu bytes", Image.Name, Loaded->ImageBase, Loaded->ImageSize);
  }
}

// Hands the image to the firmware from a memory buffer and runs its entry point, as the
// DXE dispatcher does for a driver found in a firmware volume.
void LoadAndStart(DRIVER_IMAGE *Image) {
  UINT16 Selector;
  UINT32 Size;
  if (!FwCfgFindFile(Image->FwCfgFile, &Selector, &Size) || Size == 0) {
    Fail(Image->Name, "load", "fw_cfg file %a missing or empty", Image->FwCfgFile);
    return;
  }
  VOID *Buffer = NULL;
  EFI_STATUS Status = gBS->AllocatePool(EfiBootServicesData, Size, &Buffer);
  if (EFI_ERROR(Status)) {
    Fail(Image->Name, "load", "AllocatePool(%u) returned %r", Size, Status);
    return;
  }
  FwCfgRead(Selector, Buffer, Size);

  EFI_HANDLE Handle = NULL;
  Image->LoadStatus = gBS->LoadImage(FALSE, gAppImage, NULL, Buffer, Size, &Handle);
  gBS->FreePool(Buffer);
  if (!Expect(Image->LoadStatus == EFI_SUCCESS && Handle != NULL, Image->Name, "load",
              "LoadImage of %u bytes returned %r, handle %p", Size, Image->LoadStatus, Handle)) {
    return;
  }
  Image->Handle = Handle;
  CheckLoadedImage(*Image);

  // Marks where a hang or a fault in the driver's entry happened.
  Info("starting %a", Image->Name);
  Image->EntryStatus = gBS->StartImage(Handle, NULL, NULL);
  Image->Started = true;
  Expect(Image->EntryStatus == EFI_SUCCESS, Image->Name, "entry", "StartImage returned %r", Image->EntryStatus);
}

// What each driver left on its image handle, for a person to read.
void ReportImages(const SCENARIO &Scenario) {
  for (UINTN Position = 0; Position < Scenario.OrderCount; Position++) {
    const DRIVER_IMAGE &Image = *Scenario.Order[Position];
    Report("%a: started %u of %u, LoadImage %r, entry %r", Image.Name, static_cast<UINT32>(Position + 1),
           static_cast<UINT32>(Scenario.OrderCount), Image.LoadStatus, Image.EntryStatus);
    if (Image.Handle == NULL) {
      continue;
    }
    PROTOCOL_LIST List = ListProtocols(Image.Handle);
    if (EFI_ERROR(List.Status)) {
      // An entry that fails gets its image unloaded, handle and all.
      Report("%a: image handle gone (ProtocolsPerHandle %r)", Image.Name, List.Status);
      continue;
    }
    Report("%a: %u protocols on the image handle", Image.Name, static_cast<UINT32>(List.Count));
    for (UINTN Index = 0; Index < List.Count; Index++) {
      const char *Name = GuidName(List.Guids[Index]);
      Report("%a:   %g %a", Image.Name, List.Guids[Index], Name != NULL ? Name : "");
    }
    FreeProtocolList(&List);
  }
}

// Set-up before any driver starts: fakes of the protocols the drivers locate during their
// entry go here.
void BeforeDrivers(SCENARIO *) {}

// Checks of what the drivers published and of their services, once all have started.
void AfterDrivers(SCENARIO *) {}

void RunScenario() {
  if (!FwCfgPresent()) {
    Fail(NULL, "fw_cfg", "no QEMU fw_cfg device at port 0x510");
    return;
  }
  static char Args[kMaxArgs];
  if (!ReadArgs(Args, sizeof(Args))) {
    return;
  }
  Print("@@ BEGIN %a\n", Args);
  SCENARIO Scenario = {};
  if (!ParseArgs(Args, &Scenario)) {
    return;
  }

  CheckProcessor(Scenario);
  BeforeDrivers(&Scenario);
  for (UINTN Position = 0; Position < Scenario.OrderCount; Position++) {
    LoadAndStart(Scenario.Order[Position]);
  }
  AfterDrivers(&Scenario);
  if (Scenario.Mode == RunReport) {
    ReportImages(Scenario);
  }
}

}  // namespace

extern "C" EFI_STATUS EFIAPI EfiMain(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  gAppImage = ImageHandle;
  gST = SystemTable;
  gBS = SystemTable->BootServices;
  PrintInit(SystemTable->ConOut);
  // The boot manager's own text may have left the cursor mid-line.
  Print("\n");
  RunScenario();
  Print("@@ DONE\n");
  SystemTable->RuntimeServices->ResetSystem(EfiResetShutdown, EFI_SUCCESS, 0, NULL);
  for (;;) {
    __asm__ volatile("hlt");
  }
}
