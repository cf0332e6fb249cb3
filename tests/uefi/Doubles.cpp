#include "tests/uefi/Doubles.h"

#include "tests/common/InterruptTableImage.h"
#include "tests/common/Published.h"
#include "tests/uefi/Print.h"
#include "efi/PcdProtocol.h"

namespace {

// --- caller attribution

DRIVER_IMAGE *gTracked[16];
UINTN gTrackedCount;

template <typename T>
void Append(T *Log, UINTN *Count, UINTN Capacity, const T &Entry) {
  if (*Count < Capacity) {
    Log[*Count] = Entry;
  }
  // Counting on past the end lets a check notice that entries were lost.
  (*Count)++;
}

UINT64 ReturnAddress(void *Address) { return reinterpret_cast<UINT64>(Address); }

// --- PCD

struct TOKEN_VALUE {
  UINTN Token;
  UINT32 Value;
};
// Distinct values per token, so a read that lands at the wrong place would show.
constexpr TOKEN_VALUE kTokens[] = {
    {846, 1},         {1180, 0},        {1104, 0x11},       {1179, 0x22},       {1185, 0x33},
    {1183, 0x44},     {1184, 0x55667788}, {1181, 1},        {1113, 0x99AABBCC}, {1112, 0x01020304},
    {1182, 0x66},     {150, kToken150Value}, {152, kToken152Value},
};

constexpr UINTN kMaxFirmwareHandles = 4;
struct FIRMWARE_INSTANCES {
  EFI_HANDLE Handle[kMaxFirmwareHandles];
  VOID *Interface[kMaxFirmwareHandles];
  UINTN Count;
};
FIRMWARE_INSTANCES gFirmwarePcd;
FIRMWARE_INSTANCES gFirmwareEfiPcd;
PCD_PROTOCOL gOurPcd;
EFI_HANDLE gOurPcdHandle;  // only when the firmware had no PCD_PROTOCOL to replace
PCD_MODE gPcdMode = PcdFirmware;

UINT32 TokenValue(UINTN Token) {
  for (const TOKEN_VALUE &Entry : kTokens) {
    if (Entry.Token == Token) {
      return Entry.Value;
    }
  }
  return 0;
}

void RecordRead(char Member, UINTN Token, void *Return) {
  Append(gPcdReads, &gPcdReadCount, 512, PCD_READ{ImageAt(ReturnAddress(Return)), Member, Token, CurrentTpl()});
}

__attribute__((noinline)) UINT8 EFIAPI OurGet8(UINTN Token) {
  RecordRead('8', Token, __builtin_return_address(0));
  return static_cast<UINT8>(TokenValue(Token));
}
__attribute__((noinline)) UINT32 EFIAPI OurGet32(UINTN Token) {
  RecordRead('4', Token, __builtin_return_address(0));
  return TokenValue(Token);
}
__attribute__((noinline)) BOOLEAN EFIAPI OurGetBool(UINTN Token) {
  RecordRead('B', Token, __builtin_return_address(0));
  return TokenValue(Token) != 0;
}
// Every other member: the drivers have no business there.
__attribute__((noinline)) UINTN EFIAPI OurOther() {
  RecordRead('?', 0, __builtin_return_address(0));
  return 0;
}

bool FindInstances(const EFI_GUID *Guid, FIRMWARE_INSTANCES *Found) {
  Found->Count = 0;
  UINTN Count = 0;
  EFI_HANDLE *Handles = NULL;
  if (EFI_ERROR(gBS->LocateHandleBuffer(ByProtocol, Guid, NULL, &Count, &Handles))) {
    return true;  // none installed
  }
  for (UINTN Index = 0; Index < Count && Found->Count < kMaxFirmwareHandles; Index++) {
    VOID *Interface = NULL;
    if (!EFI_ERROR(gBS->HandleProtocol(Handles[Index], Guid, &Interface))) {
      Found->Handle[Found->Count] = Handles[Index];
      Found->Interface[Found->Count] = Interface;
      Found->Count++;
    }
  }
  gBS->FreePool(Handles);
  return Count <= kMaxFirmwareHandles;
}

EFI_STATUS Uninstall(const FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    const EFI_STATUS Status = gBS->UninstallProtocolInterface(Instances.Handle[Index], Guid, Instances.Interface[Index]);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS Reinstall(FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    EFI_HANDLE Handle = Instances.Handle[Index];
    const EFI_STATUS Status = gBS->InstallProtocolInterface(&Handle, Guid, EFI_NATIVE_INTERFACE, Instances.Interface[Index]);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

// Puts Interface in place of every firmware instance; the handles and their place in the
// protocol database stay, so LocateProtocol finds ours first.
EFI_STATUS Replace(FIRMWARE_INSTANCES &Instances, const EFI_GUID *Guid, bool ToOurs) {
  for (UINTN Index = 0; Index < Instances.Count; Index++) {
    VOID *Firmware = Instances.Interface[Index];
    const EFI_STATUS Status = ToOurs ? gBS->ReinstallProtocolInterface(Instances.Handle[Index], Guid, Firmware, &gOurPcd)
                                     : gBS->ReinstallProtocolInterface(Instances.Handle[Index], Guid, &gOurPcd, Firmware);
    if (EFI_ERROR(Status)) {
      return Status;
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS InstallOurs(bool Install) {
  if (gFirmwarePcd.Count > 0) {
    return Replace(gFirmwarePcd, &gPcdProtocolGuid, Install);
  }
  if (Install) {
    gOurPcdHandle = NULL;
    return gBS->InstallProtocolInterface(&gOurPcdHandle, &gPcdProtocolGuid, EFI_NATIVE_INTERFACE, &gOurPcd);
  }
  return gBS->UninstallProtocolInterface(gOurPcdHandle, &gPcdProtocolGuid, &gOurPcd);
}

// Back to the firmware's own instances from whatever Mode put in place.
EFI_STATUS RestoreFirmware(PCD_MODE Mode) {
  EFI_STATUS Status = EFI_SUCCESS;
  if (Mode == PcdOurs || Mode == PcdEfiHidden) {
    Status = InstallOurs(false);
  } else if (Mode == PcdHidden || Mode == PcdAllHidden) {
    Status = Reinstall(gFirmwarePcd, &gPcdProtocolGuid);
  }
  if (!EFI_ERROR(Status) && (Mode == PcdEfiHidden || Mode == PcdAllHidden)) {
    Status = Reinstall(gFirmwareEfiPcd, &gEfiPcdProtocolGuid);
  }
  return Status;
}

EFI_STATUS Apply(PCD_MODE Mode) {
  switch (Mode) {
    case PcdOurs:
      return InstallOurs(true);
    case PcdHidden:
      return Uninstall(gFirmwarePcd, &gPcdProtocolGuid);
    case PcdEfiHidden: {
      const EFI_STATUS Status = InstallOurs(true);
      return EFI_ERROR(Status) ? Status : Uninstall(gFirmwareEfiPcd, &gEfiPcdProtocolGuid);
    }
    case PcdAllHidden: {
      const EFI_STATUS Status = Uninstall(gFirmwarePcd, &gPcdProtocolGuid);
      return EFI_ERROR(Status) ? Status : Uninstall(gFirmwareEfiPcd, &gEfiPcdProtocolGuid);
    }
    case PcdFirmware:
      break;
  }
  return EFI_SUCCESS;
}

// --- InstallProtocolInterface

typedef EFI_STATUS(EFIAPI *CALCULATE_CRC32)(VOID *Data, UINTN DataSize, UINT32 *Crc32);
EFI_INSTALL_PROTOCOL_INTERFACE gFirmwareInstall;
EFI_GUID gFailGuid;
EFI_STATUS gFailStatus;
UINTN gFailCount;

void UpdateBootServicesCrc() {
  UINT32 Crc = 0;
  gBS->Hdr.CRC32 = 0;
  reinterpret_cast<CALCULATE_CRC32>(gBS->CalculateCrc32)(gBS, gBS->Hdr.HeaderSize, &Crc);
  gBS->Hdr.CRC32 = Crc;
}

__attribute__((noinline)) EFI_STATUS EFIAPI ObservedInstall(EFI_HANDLE *Handle, const EFI_GUID *Protocol,
                                                            EFI_INTERFACE_TYPE Type, VOID *Interface) {
  INSTALL_CALL Call = {};
  Call.Caller = ImageAt(ReturnAddress(__builtin_return_address(0)));
  Call.HandleIn = Handle != NULL ? *Handle : NULL;
  if (Protocol != NULL) {
    Call.Guid = *Protocol;
  }
  Call.InterfaceType = Type;
  Call.Interface = Interface;
  if (gFailCount > 0 && Protocol != NULL && GuidEquals(Protocol, &gFailGuid)) {
    gFailCount--;
    Call.Status = gFailStatus;
    Call.Injected = true;
  } else {
    Call.Status = gFirmwareInstall(Handle, Protocol, Type, Interface);
  }
  Call.HandleOut = Handle != NULL ? *Handle : NULL;
  Append(gInstalls, &gInstallCount, 256, Call);
  return Call.Status;
}

// --- DEBUG_PRINT_PROTOCOL

__attribute__((noinline)) EFI_STATUS EFIAPI OurPrint(UINT64 Level, const CHAR8 *Format, VA_LIST Marker) {
  DEBUG_MESSAGE Message = {};
  Message.Caller = ImageAt(ReturnAddress(__builtin_return_address(0)));
  Message.Level = Level;
  if (Format != NULL) {
    UINTN Index = 0;
    for (; Format[Index] != 0 && Index + 1 < sizeof(Message.Format); Index++) {
      Message.Format[Index] = Format[Index];
    }
    Message.Format[Index] = 0;
    VFormatString(Message.Text, sizeof(Message.Text), Format, Marker);
  }
  Append(gMessages, &gMessageCount, 32, Message);
  return EFI_SUCCESS;
}

constinit DEBUG_PRINT_PROTOCOL gOurDebugPrint = {OurPrint};

// --- REGISTER_ACCESS_PROTOCOL

REGISTER_ACCESS_PROTOCOL gRegisterAccess;
EFI_HANDLE gRegisterAccessHandle;
REGISTER_VALUE gRegisters[16];
UINTN gRegisterCount;

__attribute__((noinline)) EFI_STATUS EFIAPI OurReadRegister(REGISTER_ACCESS_PROTOCOL *This, UINTN Space,
                                                            UINT32 Address, UINT32 *Value) {
  Append(gRegisterReads, &gRegisterReadCount, 64, REGISTER_READ{This, Space, Address});
  if (Value != NULL) {
    *Value = RegisterValue(Address);
  }
  return EFI_SUCCESS;
}

__attribute__((noinline)) EFI_STATUS EFIAPI OurOtherRegisterMember() {
  gRegisterOtherCalls++;
  return EFI_UNSUPPORTED;
}

}  // namespace

PCD_READ gPcdReads[512];
UINTN gPcdReadCount;
INSTALL_CALL gInstalls[256];
UINTN gInstallCount;
DEBUG_MESSAGE gMessages[32];
UINTN gMessageCount;
REGISTER_READ gRegisterReads[64];
UINTN gRegisterReadCount;
UINTN gRegisterOtherCalls;

void TrackImage(DRIVER_IMAGE *Image) {
  if (gTrackedCount < sizeof(gTracked) / sizeof(gTracked[0])) {
    gTracked[gTrackedCount++] = Image;
  }
}

DRIVER_IMAGE *ImageAt(UINT64 Address) {
  for (UINTN Index = 0; Index < gTrackedCount; Index++) {
    if (InImage(*gTracked[Index], reinterpret_cast<const VOID *>(Address))) {
      return gTracked[Index];
    }
  }
  return NULL;
}

bool InImage(const DRIVER_IMAGE &Image, const VOID *Address) {
  const UINT64 A = reinterpret_cast<UINT64>(Address);
  return Image.ImageSize != 0 && A >= Image.ImageBase && A - Image.ImageBase < Image.ImageSize;
}

EFI_TPL CurrentTpl() {
  const EFI_TPL Tpl = gBS->RaiseTPL(TPL_HIGH_LEVEL);
  gBS->RestoreTPL(Tpl);
  return Tpl;
}

bool PcdFindFirmware() {
  gOurPcd.SetSku = reinterpret_cast<PCD_PROTOCOL_SET_SKU>(OurOther);
  gOurPcd.Get8 = OurGet8;
  gOurPcd.Get16 = reinterpret_cast<PCD_PROTOCOL_GET16>(OurOther);
  gOurPcd.Get32 = OurGet32;
  gOurPcd.Get64 = reinterpret_cast<PCD_PROTOCOL_GET64>(OurOther);
  gOurPcd.GetPtr = reinterpret_cast<PCD_PROTOCOL_GET_POINTER>(OurOther);
  gOurPcd.GetBool = OurGetBool;
  gOurPcd.GetSize = reinterpret_cast<PCD_PROTOCOL_GET_SIZE>(OurOther);
  for (VOID *&Member : gOurPcd.Rest) {
    Member = reinterpret_cast<VOID *>(OurOther);
  }
  if (!FindInstances(&gPcdProtocolGuid, &gFirmwarePcd) || !FindInstances(&gEfiPcdProtocolGuid, &gFirmwareEfiPcd)) {
    Fail(NULL, "pcd.firmware", "more than %u firmware PCD instances", static_cast<UINT32>(kMaxFirmwareHandles));
    return false;
  }
  Info("firmware PCD_PROTOCOL on %u handle(s), EFI_PCD_PROTOCOL on %u", static_cast<UINT32>(gFirmwarePcd.Count),
       static_cast<UINT32>(gFirmwareEfiPcd.Count));
  return true;
}

const char *PcdModeName(PCD_MODE Mode) {
  switch (Mode) {
    case PcdOurs:
      return "ours";
    case PcdHidden:
      return "PCD_PROTOCOL hidden";
    case PcdEfiHidden:
      return "EFI_PCD_PROTOCOL hidden";
    case PcdAllHidden:
      return "both PCD protocols hidden";
    case PcdFirmware:
      break;
  }
  return "firmware's";
}

bool PcdSetMode(PCD_MODE Mode) {
  if (Mode == gPcdMode) {
    return true;
  }
  EFI_STATUS Status = RestoreFirmware(gPcdMode);
  if (EFI_ERROR(Status)) {
    Fail(NULL, "pcd.restore", "putting back the firmware's PCD protocols after '%a' returned %r", PcdModeName(gPcdMode),
         Status);
    return false;
  }
  gPcdMode = PcdFirmware;
  Status = Apply(Mode);
  if (EFI_ERROR(Status)) {
    Fail(NULL, "pcd.setup", "setting up '%a' returned %r", PcdModeName(Mode), Status);
    RestoreFirmware(Mode);
    return false;
  }
  gPcdMode = Mode;

  // What a driver's LocateProtocol now finds.
  VOID *Pcd = NULL;
  VOID *EfiPcd = NULL;
  const EFI_STATUS PcdStatus = gBS->LocateProtocol(&gPcdProtocolGuid, NULL, &Pcd);
  const EFI_STATUS EfiPcdStatus = gBS->LocateProtocol(&gEfiPcdProtocolGuid, NULL, &EfiPcd);
  bool Ok;
  switch (Mode) {
    case PcdOurs:
      Ok = PcdStatus == EFI_SUCCESS && Pcd == &gOurPcd && EfiPcdStatus == EFI_SUCCESS;
      break;
    case PcdHidden:
      Ok = PcdStatus == EFI_NOT_FOUND && EfiPcdStatus == EFI_SUCCESS;
      break;
    case PcdEfiHidden:
      Ok = PcdStatus == EFI_SUCCESS && Pcd == &gOurPcd && EfiPcdStatus == EFI_NOT_FOUND;
      break;
    case PcdAllHidden:
      Ok = PcdStatus == EFI_NOT_FOUND && EfiPcdStatus == EFI_NOT_FOUND;
      break;
    case PcdFirmware:
    default:
      Ok = gFirmwarePcd.Count == 0 || Pcd == gFirmwarePcd.Interface[0];
      break;
  }
  return Expect(Ok, NULL, Mode == PcdFirmware ? "pcd.restored" : "pcd.setup", "'%a': LocateProtocol(PCD_PROTOCOL) %r %p (ours %p), (EFI_PCD_PROTOCOL) %r",
                PcdModeName(Mode), PcdStatus, Pcd, &gOurPcd, EfiPcdStatus);
}

void HookInstall() {
  if (gFirmwareInstall != NULL) {
    return;
  }
  gFirmwareInstall = gBS->InstallProtocolInterface;
  gBS->InstallProtocolInterface = ObservedInstall;
  UpdateBootServicesCrc();
}

void UnhookInstall() {
  if (gFirmwareInstall == NULL) {
    return;
  }
  gBS->InstallProtocolInterface = gFirmwareInstall;
  gFirmwareInstall = NULL;
  UpdateBootServicesCrc();
}

void FailInstallOf(const EFI_GUID *Guid, EFI_STATUS Status, UINTN Count) {
  gFailGuid = *Guid;
  gFailStatus = Status;
  gFailCount = Count;
}

EFI_STATUS InstallDebugPrint() {
  EFI_HANDLE Handle = NULL;
  return gBS->InstallProtocolInterface(&Handle, &gDebugPrintProtocolGuid, EFI_NATIVE_INTERFACE, &gOurDebugPrint);
}

EFI_STATUS InstallRegisterAccess() {
  for (VOID *&Member : gRegisterAccess.ProducerMembers) {
    Member = reinterpret_cast<VOID *>(OurOtherRegisterMember);
  }
  gRegisterAccess.ReadRegister = OurReadRegister;
  gRegisterAccessHandle = NULL;
  return gBS->InstallProtocolInterface(&gRegisterAccessHandle, &gRegisterAccessProtocolGuid, EFI_NATIVE_INTERFACE,
                                       &gRegisterAccess);
}

EFI_STATUS UninstallRegisterAccess() {
  return gBS->UninstallProtocolInterface(gRegisterAccessHandle, &gRegisterAccessProtocolGuid, &gRegisterAccess);
}

VOID *RegisterAccessInterface() { return &gRegisterAccess; }
VOID *DebugPrintInterface() { return &gOurDebugPrint; }

void SetRegister(UINT32 Address, UINT32 Value) {
  for (UINTN Index = 0; Index < gRegisterCount; Index++) {
    if (gRegisters[Index].Address == Address) {
      gRegisters[Index].Value = Value;
      return;
    }
  }
  if (gRegisterCount < sizeof(gRegisters) / sizeof(gRegisters[0])) {
    gRegisters[gRegisterCount++] = {Address, Value};
  }
}

UINT32 RegisterValue(UINT32 Address) {
  for (UINTN Index = 0; Index < gRegisterCount; Index++) {
    if (gRegisters[Index].Address == Address) {
      return gRegisters[Index].Value;
    }
  }
  return 0;
}

bool AllocateInterruptTables(INTERRUPT_TABLES *Tables, UINT32 IoApicRows, UINT32 RoutingRows, UINT8 Fill) {
  *Tables = {};
  Tables->InterfaceSize = tables::kInterfaceSize;
  Tables->IoApicSize = tables::IoApicTableSize(IoApicRows) + 16;
  Tables->RoutingSize = tables::RoutingTableSize(RoutingRows) + 16;
  VOID *Interface = NULL;
  VOID *IoApic = NULL;
  VOID *Routing = NULL;
  if (EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->InterfaceSize, &Interface)) ||
      EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->IoApicSize, &IoApic)) ||
      EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, Tables->RoutingSize, &Routing))) {
    return false;
  }
  Tables->Interface = static_cast<UINT8 *>(Interface);
  Tables->IoApic = static_cast<UINT8 *>(IoApic);
  Tables->Routing = static_cast<UINT8 *>(Routing);
  gBS->SetMem(Tables->Interface, Tables->InterfaceSize, Fill);
  gBS->SetMem(Tables->IoApic, Tables->IoApicSize, Fill);
  gBS->SetMem(Tables->Routing, Tables->RoutingSize, Fill);
  tables::SetRoutingTable(Tables->Interface, Tables->Routing);
  tables::SetIoApicTable(Tables->Interface, Tables->IoApic);
  tables::SetIoApicCount(Tables->IoApic, IoApicRows);
  tables::SetRoutingCount(Tables->Routing, RoutingRows);
  return true;
}

void SetIoApicRow(INTERRUPT_TABLES *Tables, UINT32 Row, UINT64 BaseAddress, UINT32 ApicId) {
  tables::SetIoApicRow(Tables->IoApic, Row, BaseAddress, ApicId);
}

void SetRoutingItem(INTERRUPT_TABLES *Tables, UINT32 Row, UINT32 Item, UINT8 InputNumber, UINT8 ApicId) {
  tables::SetRoutingItem(Tables->Routing, Row, Item, InputNumber, ApicId);
}

UINT32 IoApicRowId(const INTERRUPT_TABLES &Tables, UINT32 Row) { return tables::IoApicRowId(Tables.IoApic, Row); }

UINT8 RoutingItemId(const INTERRUPT_TABLES &Tables, UINT32 Row, UINT32 Item) {
  return tables::RoutingItemId(Tables.Routing, Row, Item);
}

bool CopyInterruptTables(const INTERRUPT_TABLES &From, INTERRUPT_TABLES *To) {
  const UINT32 IoApicRows = tables::IoApicCount(From.IoApic);
  const UINT32 RoutingRows = tables::RoutingCount(From.Routing);
  if (!AllocateInterruptTables(To, IoApicRows, RoutingRows, 0)) {
    return false;
  }
  gBS->CopyMem(To->Interface, From.Interface, From.InterfaceSize);
  gBS->CopyMem(To->IoApic, From.IoApic, From.IoApicSize);
  gBS->CopyMem(To->Routing, From.Routing, From.RoutingSize);
  return true;
}

void FreeInterruptTables(INTERRUPT_TABLES *Tables) {
  if (Tables->Interface != NULL) gBS->FreePool(Tables->Interface);
  if (Tables->IoApic != NULL) gBS->FreePool(Tables->IoApic);
  if (Tables->Routing != NULL) gBS->FreePool(Tables->Routing);
  *Tables = {};
}

bool SameBytes(const UINT8 *A, const UINT8 *B, UINTN Size, UINTN *FirstDifference) {
  for (UINTN Index = 0; Index < Size; Index++) {
    if (A[Index] != B[Index]) {
      *FirstDifference = Index;
      return false;
    }
  }
  return true;
}
