// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "testing/sim/Firmware.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "testing/sim/Machine.h"

namespace sim {

namespace {
Firmware *gCurrent = nullptr;
}

std::string GuidText(const EFI_GUID &G) {
  char Text[40];
  std::snprintf(Text, sizeof(Text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", G.Data1, G.Data2, G.Data3,
                G.Data4[0], G.Data4[1], G.Data4[2], G.Data4[3], G.Data4[4], G.Data4[5], G.Data4[6], G.Data4[7]);
  return Text;
}

Firmware &Firmware::Current() {
  if (gCurrent == nullptr) throw std::logic_error("no simulated firmware is active");
  return *gCurrent;
}

// The EFIAPI thunks placed in the boot services table.
struct Services {
  static EFI_TPL EFIAPI RaiseTPL(EFI_TPL NewTpl) {
    Firmware &F = Firmware::Current();
    F.Record(BootService::RaiseTPL, nullptr, EFI_SUCCESS);
    const EFI_TPL Old = F.Tpl;
    F.Tpl = NewTpl;
    return Old;
  }

  static VOID EFIAPI RestoreTPL(EFI_TPL OldTpl) {
    Firmware &F = Firmware::Current();
    F.Record(BootService::RestoreTPL, nullptr, EFI_SUCCESS);
    F.Tpl = OldTpl;
    F.DispatchPending();
  }

  static EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE PoolType, UINTN Size, VOID **Buffer) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::AllocatePool, nullptr, &Status)) {
      // A failing firmware may leave anything behind in the out-pointer.
      if (Buffer) *Buffer = reinterpret_cast<VOID *>(0xBAD0BAD0BAD0BAD0ULL);
      return F.Record(BootService::AllocatePool, nullptr, Status);
    }
    if (Buffer == nullptr || PoolType >= EfiMaxMemoryType || PoolType == EfiConventionalMemory) {
      return F.Record(BootService::AllocatePool, nullptr, EFI_INVALID_PARAMETER);
    }
    if (Size > (UINTN{1} << 32)) {
      return F.Record(BootService::AllocatePool, nullptr, EFI_OUT_OF_RESOURCES);
    }
    PoolBlock Block{PoolType, Size, std::unique_ptr<UINT8[]>(new UINT8[Size ? Size : 1])};
    // Fresh pool is not zeroed by real firmware; a pattern catches reads of unset bytes.
    std::memset(Block.Bytes.get(), 0xAF, Size ? Size : 1);
    VOID *P = Block.Bytes.get();
    F.PoolBlocks.emplace(P, std::move(Block));
    *Buffer = P;
    return F.Record(BootService::AllocatePool, nullptr, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI FreePool(VOID *Buffer) {
    Firmware &F = Firmware::Current();
    auto It = F.PoolBlocks.find(Buffer);
    if (It == F.PoolBlocks.end()) return F.Record(BootService::FreePool, nullptr, EFI_INVALID_PARAMETER);
    F.PoolBlocks.erase(It);
    return F.Record(BootService::FreePool, nullptr, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI CreateEvent(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                                       VOID *NotifyContext, EFI_EVENT *Event) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::CreateEvent, nullptr, &Status)) return F.Record(BootService::CreateEvent, nullptr, Status);
    if (Event == nullptr) return F.Record(BootService::CreateEvent, nullptr, EFI_INVALID_PARAMETER);
    if ((Type & (EVT_NOTIFY_SIGNAL | EVT_NOTIFY_WAIT)) != 0) {
      if (NotifyFunction == nullptr || NotifyTpl <= TPL_APPLICATION || NotifyTpl > TPL_HIGH_LEVEL) {
        return F.Record(BootService::CreateEvent, nullptr, EFI_INVALID_PARAMETER);
      }
    }
    F.EventList.push_back(std::make_unique<Firmware::Event>(Firmware::Event{Type, NotifyTpl, NotifyFunction, NotifyContext}));
    *Event = F.EventList.back().get();
    return F.Record(BootService::CreateEvent, nullptr, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI SignalEvent(EFI_EVENT Event) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::SignalEvent, nullptr, &Status)) return F.Record(BootService::SignalEvent, nullptr, Status);
    auto It = std::find_if(F.EventList.begin(), F.EventList.end(),
                           [&](const auto &E) { return E.get() == Event; });
    if (It == F.EventList.end()) return F.Record(BootService::SignalEvent, nullptr, EFI_INVALID_PARAMETER);
    F.Record(BootService::SignalEvent, nullptr, EFI_SUCCESS);
    F.Signal(It->get());
    return EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI CloseEvent(EFI_EVENT Event) {
    Firmware &F = Firmware::Current();
    return F.Record(BootService::CloseEvent, nullptr, EFI_UNSUPPORTED);
  }

  static EFI_STATUS EFIAPI InstallProtocolInterface(EFI_HANDLE *Handle, const EFI_GUID *Protocol,
                                                    EFI_INTERFACE_TYPE InterfaceType, VOID *Interface) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::InstallProtocolInterface, Protocol, &Status)) {
      return F.Record(BootService::InstallProtocolInterface, Protocol, Status);
    }
    if (Handle == nullptr || Protocol == nullptr || InterfaceType != EFI_NATIVE_INTERFACE) {
      return F.Record(BootService::InstallProtocolInterface, Protocol, EFI_INVALID_PARAMETER);
    }
    if (*Handle != nullptr) {
      Firmware::Handle *H = F.FindHandle(*Handle);
      if (H == nullptr) return F.Record(BootService::InstallProtocolInterface, Protocol, EFI_INVALID_PARAMETER);
      for (const auto &I : H->Interfaces) {
        if (I.Guid == *Protocol) return F.Record(BootService::InstallProtocolInterface, Protocol, EFI_INVALID_PARAMETER);
      }
    }
    *Handle = F.Install(*Protocol, Interface, *Handle);
    return F.Record(BootService::InstallProtocolInterface, Protocol, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI UninstallProtocolInterface(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                                      VOID *Interface) {
    Firmware &F = Firmware::Current();
    Firmware::Handle *H = F.FindHandle(Handle);
    if (H == nullptr || Protocol == nullptr) return F.Record(BootService::UninstallProtocolInterface, Protocol, EFI_INVALID_PARAMETER);
    auto It = std::find_if(H->Interfaces.begin(), H->Interfaces.end(),
                           [&](const auto &I) { return I.Guid == *Protocol && I.Pointer == Interface; });
    if (It == H->Interfaces.end()) return F.Record(BootService::UninstallProtocolInterface, Protocol, EFI_NOT_FOUND);
    H->Interfaces.erase(It);
    return F.Record(BootService::UninstallProtocolInterface, Protocol, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface) {
    Firmware &F = Firmware::Current();
    if (Interface == nullptr || Protocol == nullptr) return F.Record(BootService::HandleProtocol, Protocol, EFI_INVALID_PARAMETER);
    *Interface = nullptr;
    Firmware::Handle *H = F.FindHandle(Handle);
    if (H == nullptr) return F.Record(BootService::HandleProtocol, Protocol, EFI_INVALID_PARAMETER);
    for (const auto &I : H->Interfaces) {
      if (I.Guid == *Protocol) {
        *Interface = I.Pointer;
        return F.Record(BootService::HandleProtocol, Protocol, EFI_SUCCESS);
      }
    }
    return F.Record(BootService::HandleProtocol, Protocol, EFI_UNSUPPORTED);
  }

  static EFI_STATUS EFIAPI RegisterProtocolNotify(const EFI_GUID *Protocol, EFI_EVENT Event, VOID **Registration) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::RegisterProtocolNotify, Protocol, &Status)) return F.Record(BootService::RegisterProtocolNotify, Protocol, Status);
    auto It = std::find_if(F.EventList.begin(), F.EventList.end(),
                           [&](const auto &E) { return E.get() == Event; });
    if (Protocol == nullptr || Registration == nullptr || It == F.EventList.end()) {
      return F.Record(BootService::RegisterProtocolNotify, Protocol, EFI_INVALID_PARAMETER);
    }
    F.Registrations.push_back(
        std::make_unique<Firmware::Registration>(Firmware::Registration{*Protocol, It->get(), F.NextSerial - 1}));
    *Registration = F.Registrations.back().get();
    return F.Record(BootService::RegisterProtocolNotify, Protocol, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI InstallConfigurationTable(const EFI_GUID *Guid, VOID *Table) {
    Firmware &F = Firmware::Current();
    if (Guid == nullptr) return F.Record(BootService::InstallConfigurationTable, Guid, EFI_INVALID_PARAMETER);
    auto It = std::find_if(F.ConfigTable.begin(), F.ConfigTable.end(),
                           [&](const auto &E) { return E.VendorGuid == *Guid; });
    if (It != F.ConfigTable.end()) {
      if (Table == nullptr) {
        F.ConfigTable.erase(It);
      } else {
        It->VendorTable = Table;
      }
    } else if (Table == nullptr) {
      return F.Record(BootService::InstallConfigurationTable, Guid, EFI_NOT_FOUND);
    } else {
      F.ConfigTable.push_back({*Guid, Table});
    }
    F.System.NumberOfTableEntries = F.ConfigTable.size();
    F.System.ConfigurationTable = F.ConfigTable.data();
    return F.Record(BootService::InstallConfigurationTable, Guid, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID ***ProtocolBuffer, UINTN *Count) {
    Firmware &F = Firmware::Current();
    Firmware::Handle *H = F.FindHandle(Handle);
    if (H == nullptr || ProtocolBuffer == nullptr || Count == nullptr) {
      return F.Record(BootService::ProtocolsPerHandle, nullptr, EFI_INVALID_PARAMETER);
    }
    VOID *Buffer = nullptr;
    AllocatePool(EfiBootServicesData, H->Interfaces.size() * sizeof(EFI_GUID *), &Buffer);
    auto **Guids = static_cast<EFI_GUID **>(Buffer);
    for (size_t I = 0; I < H->Interfaces.size(); I++) Guids[I] = &H->Interfaces[I].Guid;
    *ProtocolBuffer = Guids;
    *Count = H->Interfaces.size();
    return F.Record(BootService::ProtocolsPerHandle, nullptr, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE SearchType, const EFI_GUID *Protocol,
                                              VOID *SearchKey, UINTN *NoHandles, EFI_HANDLE **Buffer) {
    Firmware &F = Firmware::Current();
    if (NoHandles == nullptr || Buffer == nullptr) return F.Record(BootService::LocateHandleBuffer, Protocol, EFI_INVALID_PARAMETER);
    std::vector<EFI_HANDLE> Found;
    if (SearchType == AllHandles) {
      Found = F.HandleOrder;
    } else if (SearchType == ByProtocol && Protocol != nullptr) {
      Found = F.HandlesWith(*Protocol);
    } else {
      return F.Record(BootService::LocateHandleBuffer, Protocol, EFI_INVALID_PARAMETER);
    }
    if (Found.empty()) return F.Record(BootService::LocateHandleBuffer, Protocol, EFI_NOT_FOUND);
    VOID *Out = nullptr;
    AllocatePool(EfiBootServicesData, Found.size() * sizeof(EFI_HANDLE), &Out);
    std::memcpy(Out, Found.data(), Found.size() * sizeof(EFI_HANDLE));
    *Buffer = static_cast<EFI_HANDLE *>(Out);
    *NoHandles = Found.size();
    return F.Record(BootService::LocateHandleBuffer, Protocol, EFI_SUCCESS);
  }

  static EFI_STATUS EFIAPI LocateProtocol(const EFI_GUID *Protocol, VOID *Registration, VOID **Interface) {
    Firmware &F = Firmware::Current();
    EFI_STATUS Status;
    if (F.Faulted(BootService::LocateProtocol, Protocol, &Status)) {
      if (Interface) *Interface = F.FaultsLeaveJunk ? reinterpret_cast<VOID *>(0xBAD1BAD1BAD1BAD1ULL) : nullptr;
      return F.Record(BootService::LocateProtocol, Protocol, Status);
    }
    if (Interface == nullptr || Protocol == nullptr) return F.Record(BootService::LocateProtocol, Protocol, EFI_INVALID_PARAMETER);
    *Interface = nullptr;
    UINT64 After = 0;
    Firmware::Registration *Key = nullptr;
    if (Registration != nullptr) {
      auto It = std::find_if(F.Registrations.begin(), F.Registrations.end(),
                             [&](const auto &R) { return R.get() == Registration; });
      if (It == F.Registrations.end()) return F.Record(BootService::LocateProtocol, Protocol, EFI_INVALID_PARAMETER);
      Key = It->get();
      After = Key->Position;
    }
    const Firmware::Interface *Best = nullptr;
    for (const auto &[H, Entry] : F.Handles) {
      for (const auto &I : Entry.Interfaces) {
        if (I.Guid == *Protocol && I.Serial > After && (Best == nullptr || I.Serial < Best->Serial)) Best = &I;
      }
    }
    if (Best == nullptr) return F.Record(BootService::LocateProtocol, Protocol, EFI_NOT_FOUND);
    if (Key != nullptr) Key->Position = Best->Serial;
    *Interface = Best->Pointer;
    return F.Record(BootService::LocateProtocol, Protocol, EFI_SUCCESS);
  }

  template <BootService Which>
  static EFI_STATUS EFIAPI Unsupported() {
    Firmware &F = Firmware::Current();
    F.UnsupportedCalls.push_back(ServiceName(Which));
    return F.Record(Which, nullptr, EFI_UNSUPPORTED);
  }
};

Firmware::Firmware() {
  Previous = gCurrent;
  gCurrent = this;

  Boot.Hdr.Signature = 0x56524553544f4f42ULL;  // "BOOTSERV"
  Boot.Hdr.HeaderSize = sizeof(Boot);
#define SIM_SET_SUPPORTED(Name) Boot.Name = Services::Name;
#define SIM_SET_UNSUPPORTED(Name) \
  Boot.Name = reinterpret_cast<decltype(Boot.Name)>(reinterpret_cast<VOID *>(&Services::Unsupported<BootService::Name>));
  SIM_SUPPORTED_BOOT_SERVICES(SIM_SET_SUPPORTED)
  SIM_UNSUPPORTED_BOOT_SERVICES(SIM_SET_UNSUPPORTED)
#undef SIM_SET_SUPPORTED
#undef SIM_SET_UNSUPPORTED

  Runtime.Hdr.Signature = 0x56524553544e5552ULL;  // "RUNTSERV"
  System.Hdr.Signature = 0x5453595320494249ULL;   // "IBI SYST"
  System.Hdr.HeaderSize = sizeof(System);
  System.BootServices = &Boot;
  System.RuntimeServices = &Runtime;
  System.NumberOfTableEntries = 0;
  System.ConfigurationTable = nullptr;

  Image = NewHandle();
  Handles[Image];
  HandleOrder.push_back(Image);
}

Firmware::~Firmware() { gCurrent = Previous; }

EFI_HANDLE Firmware::NewHandle() {
  HandleStorage.push_back(std::make_unique<UINT8>(0));
  return HandleStorage.back().get();
}

void Firmware::AddConfigurationTable(const EFI_GUID &Guid, VOID *Table) {
  ConfigTable.push_back({Guid, Table});
  System.NumberOfTableEntries = ConfigTable.size();
  System.ConfigurationTable = ConfigTable.data();
}

Firmware::Handle *Firmware::FindHandle(EFI_HANDLE H) {
  auto It = Handles.find(H);
  return It == Handles.end() ? nullptr : &It->second;
}

EFI_HANDLE Firmware::Install(const EFI_GUID &Guid, VOID *Pointer, EFI_HANDLE H) {
  if (H == nullptr) {
    H = NewHandle();
    Handles[H];
    HandleOrder.push_back(H);
  } else if (FindHandle(H) == nullptr) {
    throw std::logic_error("install on a handle the firmware never created");
  }
  Handles[H].Interfaces.push_back(Interface{Guid, Pointer, NextSerial++});
  for (const auto &R : Registrations) {
    if (R->Guid == Guid) Signal(R->Target);
  }
  return H;
}

std::vector<EFI_HANDLE> Firmware::HandlesWith(const EFI_GUID &Guid) const {
  std::vector<EFI_HANDLE> Out;
  for (EFI_HANDLE H : HandleOrder) {
    for (const auto &I : Handles.at(H).Interfaces) {
      if (I.Guid == Guid) {
        Out.push_back(H);
        break;
      }
    }
  }
  return Out;
}

std::vector<std::pair<EFI_GUID, VOID *>> Firmware::ProtocolsOn(EFI_HANDLE H) const {
  std::vector<std::pair<EFI_GUID, VOID *>> Out;
  auto It = Handles.find(H);
  if (It == Handles.end()) return Out;
  for (const auto &I : It->second.Interfaces) Out.emplace_back(I.Guid, I.Pointer);
  return Out;
}

unsigned Firmware::InstallCount(const EFI_GUID &Guid) const {
  unsigned N = 0;
  for (const auto &[H, Entry] : Handles) {
    for (const auto &I : Entry.Interfaces) N += (I.Guid == Guid);
  }
  return N;
}

const char *ServiceName(BootService Service) {
#define SIM_BOOT_SERVICE_NAME(Name) #Name,
  static const char *const Names[] = {SIM_BOOT_SERVICES(SIM_BOOT_SERVICE_NAME)};
#undef SIM_BOOT_SERVICE_NAME
  return Names[static_cast<unsigned>(Service)];
}

void Firmware::FailCall(BootService Service, unsigned Nth, EFI_STATUS Status) {
  CallFaults[Service][Nth] = Status;
}

void Firmware::FailInstallOf(const EFI_GUID &Guid, EFI_STATUS Status) { InstallFaults.emplace_back(Guid, Status); }

bool Firmware::Faulted(BootService Service, const EFI_GUID *Guid, EFI_STATUS *Status) {
  const unsigned N = ++CallCounter[Service];
  if (auto It = CallFaults.find(Service); It != CallFaults.end()) {
    if (auto Nth = It->second.find(N); Nth != It->second.end()) {
      *Status = Nth->second;
      return true;
    }
  }
  if (Service == BootService::InstallProtocolInterface && Guid != nullptr) {
    for (const auto &[G, S] : InstallFaults) {
      if (G == *Guid) {
        *Status = S;
        return true;
      }
    }
  }
  return false;
}

EFI_STATUS Firmware::Record(BootService Service, const EFI_GUID *Guid, EFI_STATUS Status) {
  ServiceCall Call{Service, {}, Status};
  if (Guid != nullptr) Call.Guid = *Guid;
  Log.push_back(Call);
  const std::string Name = ServiceName(Service);
  TheMachine().Note(Guid != nullptr ? Name + " " + GuidText(*Guid) : Name);
  return Status;
}

std::vector<std::string> Firmware::CallNames() const {
  std::vector<std::string> Out;
  for (const auto &C : Log) Out.push_back(ServiceName(C.Service));
  return Out;
}

unsigned Firmware::CallCount(BootService Service) const {
  return static_cast<unsigned>(std::count_if(Log.begin(), Log.end(), [&](const auto &C) { return C.Service == Service; }));
}

EFI_STATUS Firmware::StartImage(EFI_IMAGE_ENTRY_POINT Entry) {
  const size_t EventsBefore = EventList.size();
  const UINT64 SerialBefore = NextSerial;
  const EFI_STATUS Status = Entry(Image, &System);
  if (!EFI_ERROR(Status)) return Status;
  for (size_t I = EventsBefore; I < EventList.size(); I++) {
    char Text[64];
    std::snprintf(Text, sizeof(Text), "event %zu (notify function %p)", I, reinterpret_cast<VOID *>(EventList[I]->Notify));
    DanglingAfterUnload.push_back(Text);
  }
  for (const auto &[H, On] : Handles) {
    for (const auto &I : On.Interfaces) {
      if (I.Serial >= SerialBefore && I.Pointer != nullptr && BlockOf(I.Pointer) == nullptr) {
        DanglingAfterUnload.push_back("protocol " + GuidText(I.Guid));
      }
    }
  }
  return Status;
}

const PoolBlock *Firmware::BlockOf(const VOID *Buffer) const {
  auto It = PoolBlocks.find(const_cast<VOID *>(Buffer));
  return It == PoolBlocks.end() ? nullptr : &It->second;
}

void Firmware::Signal(Event *E) {
  if ((E->Type & EVT_NOTIFY_SIGNAL) == 0) return;
  E->Pending = true;
  DispatchPending();
}

// Runs queued notifications whose level is above the current one, highest first, at
// their own level, as a DXE core does when the level drops.
void Firmware::DispatchPending() {
  for (;;) {
    Event *Next = nullptr;
    for (const auto &E : EventList) {
      if (E->Pending && E->NotifyTpl > Tpl && (Next == nullptr || E->NotifyTpl > Next->NotifyTpl)) Next = E.get();
    }
    if (Next == nullptr) return;
    Next->Pending = false;
    const EFI_TPL Saved = Tpl;
    Tpl = Next->NotifyTpl;
    Next->Notifications++;
    Next->Notify(Next, Next->Context);
    Tpl = Saved;
  }
}

}  // namespace sim
