// Boots in QEMU/OVMF as the removable-media boot application. It loads the driver images
// that the runner placed in fw_cfg, starts them round by round the way the DXE dispatcher
// would, checks the outcome and powers the machine off.
//
// Scenario (fw_cfg file "opt/soc/args"), space separated:
//   round=m70,m60[:OPTION...]   one round: images to start, in this order (at least one
//                               round; order= is the same). Options:
//                                 pcd=hidden       no PCD_PROTOCOL during the round
//                                 pcd=efi-hidden   no EFI_PCD_PROTOCOL during the round
//                                 fail-heap-install  the first HEAP_LIST_PROTOCOL install fails
//                                 fail-presence    the served image's last presence install
//                                                  fails (the GUID is on its handle already);
//                                                  with observe, a copy of it started so
//                                 dispatch         the images come from the firmware volume
//                                                  (fw_cfg opt/soc/fv) through the DXE
//                                                  dispatcher, in the volume's order
//                                 dispatch-held    the same, after a first Dispatch() with
//                                                  both PCD protocols hidden starts neither
//                                 heap-hobs        "HEAP" HOBs in a HOB list of the
//                                                  application's, in the configuration table
//                                 observe          nothing loaded: the platform dispatched the
//                                                  images from its flash, with its own PCDs
//   signature=0x...             CPUID 0x80000001 EAX the runner asked QEMU for
//   mode=report                 also print what each driver published and answered
//   mode=debug                  once the images are loaded, wait until a debugger sets
//                               gDebuggerAttached before starting them
#include "tests/uefi/Doubles.h"
#include "tests/uefi/Expected.h"
#include "tests/uefi/FwCfg.h"
#include "tests/uefi/Harness.h"
#include "tests/uefi/Machine.h"
#include "tests/uefi/Print.h"
#include "tests/uefi/Round.h"

namespace {

constexpr const char *kArgsFile = "opt/soc/args";
constexpr UINTN kMaxArgs = 512;

const VARIANT *FindVariant(const char *Name, UINTN Length) {
  for (UINTN Index = 0; Index < kVariantCount; Index++) {
    const char *Candidate = kVariants[Index].Name;
    UINTN At = 0;
    while (At < Length && Candidate[At] == Name[At]) {
      At++;
    }
    if (At == Length && Candidate[At] == 0) {
      return &kVariants[Index];
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

bool ParseOption(const char *Option, UINTN Length, ROUND *Round) {
  char Text[24];
  if (Length >= sizeof(Text)) {
    return false;
  }
  for (UINTN Index = 0; Index < Length; Index++) {
    Text[Index] = Option[Index];
  }
  Text[Length] = 0;
  if (AsciiEqual(Text, "pcd=hidden")) {
    Round->Pcd = PcdHidden;
  } else if (AsciiEqual(Text, "pcd=efi-hidden")) {
    Round->Pcd = PcdEfiHidden;
  } else if (AsciiEqual(Text, "pcd=ours")) {
    Round->Pcd = PcdOurs;
  } else if (AsciiEqual(Text, "fail-heap-install")) {
    Round->FailHeapInstall = true;
  } else if (AsciiEqual(Text, "fail-presence")) {
    Round->FailPresence = true;
  } else if (AsciiEqual(Text, "dispatch")) {
    Round->Dispatch = true;
  } else if (AsciiEqual(Text, "dispatch-held")) {
    Round->Dispatch = true;
    Round->Held = true;
  } else if (AsciiEqual(Text, "heap-hobs")) {
    Round->HeapHobs = true;
  } else if (AsciiEqual(Text, "observe")) {
    Round->Observe = true;
    Round->Pcd = PcdFirmware;
  } else {
    return false;
  }
  return true;
}

// "m70,m60:pcd=hidden" -> a round with its images named and numbered.
bool ParseRound(const char *Text, SCENARIO *Scenario) {
  if (Scenario->RoundCount == kMaxRounds) {
    return false;
  }
  const UINTN Number = Scenario->RoundCount + 1;
  ROUND *Round = &Scenario->Rounds[Scenario->RoundCount];
  *Round = {};
  Round->Pcd = PcdOurs;
  while (*Text != 0 && *Text != ':') {
    UINTN Length = 0;
    while (Text[Length] != 0 && Text[Length] != ',' && Text[Length] != ':') {
      Length++;
    }
    const VARIANT *Variant = FindVariant(Text, Length);
    if (Variant == NULL || Round->Count == kMaxImages) {
      return false;
    }
    DRIVER_IMAGE *Image = &Round->Images[Round->Count];
    *Image = {};
    Image->Variant = Variant;
    Image->Round = Number;
    Image->Position = Round->Count++;
    Image->LoadStatus = kNotRun;
    Image->EntryStatus = kNotRun;
    FormatString(Image->Subject, sizeof(Image->Subject), "r%u.%a", static_cast<UINT32>(Number), Variant->Name);
    Text += Length;
    if (*Text == ',') {
      Text++;
    }
  }
  while (*Text == ':') {
    Text++;
    UINTN Length = 0;
    while (Text[Length] != 0 && Text[Length] != ':') {
      Length++;
    }
    if (!ParseOption(Text, Length, Round)) {
      return false;
    }
    Text += Length;
  }
  if (Round->Count == 0) {
    return false;
  }
  Scenario->RoundCount++;
  return true;
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
    if (StartsWith(Token, "round=")) {
      Ok = ParseRound(Token + 6, Scenario);
    } else if (StartsWith(Token, "order=")) {
      Ok = ParseRound(Token + 6, Scenario);
    } else if (StartsWith(Token, "signature=")) {
      Ok = ParseHex32(Token + 10, &Scenario->Signature);
      Scenario->HasSignature = Ok;
    } else if (AsciiEqual(Token, "mode=report")) {
      Scenario->Mode = RunReport;
      Ok = true;
    } else if (AsciiEqual(Token, "mode=check")) {
      Scenario->Mode = RunChecks;
      Ok = true;
    } else if (AsciiEqual(Token, "mode=debug")) {
      Scenario->Debug = true;
      Ok = true;
    } else {
      Ok = false;
    }
    if (!Ok) {
      Fail(NULL, "args", "cannot use '%a'", Token);
      return false;
    }
  }
  if (Scenario->RoundCount == 0) {
    Fail(NULL, "args", "no round= given");
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
void CheckProcessor(SCENARIO *Scenario) {
  const CPUID_REGISTERS R = MachineCpuid(0x80000001);
  Scenario->Eax = R.Eax;
  Scenario->Ebx = R.Ebx;
  Info("cpuid 0x80000001 eax=0x%08X ebx=0x%08X", R.Eax, R.Ebx);
  if (Scenario->HasSignature) {
    Expect(R.Eax == Scenario->Signature && (R.Ebx & 0xF0000000U) == 0, "cpu", "signature",
           "guest sees eax=0x%08X ebx=0x%08X, scenario wants eax=0x%08X with ebx[31:28]=0", R.Eax, R.Ebx,
           Scenario->Signature);
  }
  if (Scenario->Mode == RunReport) {
    Report("CPUID 0x80000001: EAX 0x%08X (family %Xh, model %Xh, stepping %u), EBX[31:28] %u", R.Eax,
           ((R.Eax >> 8) & 0xF) + ((R.Eax >> 20) & 0xFF), ((R.Eax >> 4) & 0xF) | ((R.Eax >> 12) & 0xF0), R.Eax & 0xF,
           R.Ebx >> 28);
    for (UINTN Index = 0; Index < kVariantCount; Index++) {
      Report("  %a serves it: %a", kVariants[Index].ImageName, Accepts(kVariants[Index], R.Eax, R.Ebx) ? "yes" : "no");
    }
  }
}

// What the drivers reach during their entry: the application's own PCD and debug-print
// protocols, and an eye on every InstallProtocolInterface call.
bool BeforeDrivers() {
  if (!PcdFindFirmware()) {
    return false;
  }
  const EFI_STATUS Status = InstallDebugPrint();
  if (!Expect(Status == EFI_SUCCESS, NULL, "debug_print.install", "InstallProtocolInterface returned %r", Status)) {
    return false;
  }
  HookInstall();
  return true;
}

// The firmware gets its own services and PCD protocols back before the machine goes down.
void AfterDrivers() {
  UnhookInstall();
  PcdSetMode(PcdFirmware);
}

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

  CheckProcessor(&Scenario);
  if (BeforeDrivers()) {
    for (UINTN Index = 0; Index < Scenario.RoundCount; Index++) {
      RunRound(Scenario, Scenario.Rounds[Index], Index + 1);
    }
  }
  AfterDrivers();
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
