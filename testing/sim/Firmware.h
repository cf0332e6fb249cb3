// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// A small DXE environment for host tests: system table, boot services with a real
// protocol database, pool, events and protocol notification, fault injection and a log
// of every service call. Written from UEFI 2.10, chapter 7.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "efi/Uefi.h"

// The simulator's own comparison, field by field: a fault in the drivers' GuidEquals must
// not hide itself by deciding the simulator's lookups too.
inline bool operator==(const EFI_GUID &A, const EFI_GUID &B) {
  if (A.Data1 != B.Data1 || A.Data2 != B.Data2 || A.Data3 != B.Data3) return false;
  for (int I = 0; I < 8; I++) {
    if (A.Data4[I] != B.Data4[I]) return false;
  }
  return true;
}

namespace sim {

std::string GuidText(const EFI_GUID &Guid);

// Every boot service, in the order of EFI_BOOT_SERVICES (UEFI 2.10, 4.4).
// The boot services the simulator implements, and those it answers EFI_UNSUPPORTED.
#define SIM_SUPPORTED_BOOT_SERVICES(X) \
  X(RaiseTPL) X(RestoreTPL) X(AllocatePool) X(FreePool) X(CreateEvent) X(SignalEvent) X(CloseEvent) \
  X(InstallProtocolInterface) X(UninstallProtocolInterface) X(HandleProtocol) X(RegisterProtocolNotify) \
  X(InstallConfigurationTable) X(ProtocolsPerHandle) X(LocateHandleBuffer) X(LocateProtocol)
#define SIM_UNSUPPORTED_BOOT_SERVICES(X) \
  X(AllocatePages) X(FreePages) X(GetMemoryMap) X(SetTimer) X(WaitForEvent) X(CheckEvent) \
  X(ReinstallProtocolInterface) X(LocateHandle) X(LocateDevicePath) X(LoadImage) X(StartImage) X(Exit) \
  X(UnloadImage) X(ExitBootServices) X(GetNextMonotonicCount) X(Stall) X(SetWatchdogTimer) \
  X(ConnectController) X(DisconnectController) X(OpenProtocol) X(CloseProtocol) X(OpenProtocolInformation) \
  X(InstallMultipleProtocolInterfaces) X(UninstallMultipleProtocolInterfaces) X(CalculateCrc32) X(CopyMem) \
  X(SetMem) X(CreateEventEx)
#define SIM_BOOT_SERVICES(X) SIM_SUPPORTED_BOOT_SERVICES(X) SIM_UNSUPPORTED_BOOT_SERVICES(X)
#define SIM_BOOT_SERVICE_ENUM(Name) Name,
enum class BootService : unsigned { SIM_BOOT_SERVICES(SIM_BOOT_SERVICE_ENUM) };
#undef SIM_BOOT_SERVICE_ENUM
const char *ServiceName(BootService Service);

struct ServiceCall {
  BootService Service;
  EFI_GUID Guid{};           // the protocol or table GUID, when the call names one
  EFI_STATUS Result = 0;
};

struct PoolBlock {
  EFI_MEMORY_TYPE Type;
  UINTN Size;
  std::unique_ptr<UINT8[]> Bytes;
};

class Firmware {
 public:
  Firmware();
  ~Firmware();
  Firmware(const Firmware &) = delete;
  Firmware &operator=(const Firmware &) = delete;

  EFI_SYSTEM_TABLE *SystemTable() { return &System; }
  EFI_BOOT_SERVICES *BootServices() { return &Boot; }
  // A handle that stands for the driver image, as the image loader would create it.
  EFI_HANDLE ImageHandle() const { return Image; }

  // Configuration table entries, in the order added.
  void AddConfigurationTable(const EFI_GUID &Guid, VOID *Table);

  // Direct access to the protocol database, bypassing logging and faults.
  EFI_HANDLE Install(const EFI_GUID &Guid, VOID *Interface, EFI_HANDLE Handle = nullptr);
  std::vector<EFI_HANDLE> HandlesWith(const EFI_GUID &Guid) const;
  // Protocols on a handle, in install order, with their interfaces.
  std::vector<std::pair<EFI_GUID, VOID *>> ProtocolsOn(EFI_HANDLE Handle) const;
  size_t HandleCount() const { return Handles.size(); }
  unsigned InstallCount(const EFI_GUID &Guid) const;

  // Fault injection. The Nth call (1-based) of a service answers Status without acting;
  // FailInstallOf makes every install of that GUID fail.
  void FailCall(BootService Service, unsigned Nth, EFI_STATUS Status);
  void FailInstallOf(const EFI_GUID &Guid, EFI_STATUS Status);
  // A faulted LocateProtocol leaves a junk pointer behind instead of NULL: UEFI 2.10
  // does not say what a failing call leaves in its out-pointer.
  bool FaultsLeaveJunk = false;
  // Every call that passes through the boot services table.
  const std::vector<ServiceCall> &Calls() const { return Log; }
  std::vector<std::string> CallNames() const;
  unsigned CallCount(BootService Service) const;
  // Services the driver called that this model does not provide (answered EFI_UNSUPPORTED).
  const std::vector<std::string> &Unsupported() const { return UnsupportedCalls; }

  // Pool blocks handed out and not freed.
  const std::map<VOID *, PoolBlock> &Pool() const { return PoolBlocks; }
  const PoolBlock *BlockOf(const VOID *Buffer) const;

  EFI_TPL CurrentTpl() const { return Tpl; }

  // Enters the image as the DXE core's StartImage does. On an error status EDK2 unloads
  // the image and frees its pages, but closes none of its events and leaves the protocols
  // it installed: Dangling() then names each event the entry created and each interface it
  // installed that lies outside pool (so in the image), all still registered.
  EFI_STATUS StartImage(EFI_IMAGE_ENTRY_POINT Entry);
  const std::vector<std::string> &Dangling() const { return DanglingAfterUnload; }

  // The firmware that the boot-services thunks dispatch to.
  static Firmware &Current();

  struct Event {
    UINT32 Type;
    EFI_TPL NotifyTpl;
    EFI_EVENT_NOTIFY Notify;
    VOID *Context;
    bool Pending = false;
    unsigned Notifications = 0;
  };
  const std::vector<std::unique_ptr<Event>> &Events() const { return EventList; }

 private:
  struct Interface {
    EFI_GUID Guid;
    VOID *Pointer;
    UINT64 Serial;  // install order across the whole database
  };
  struct Handle {
    std::vector<Interface> Interfaces;
  };
  struct Registration {
    EFI_GUID Guid;
    Event *Target;
    UINT64 Position;  // serial of the last interface handed out through this key
  };

  friend struct Services;

  bool Faulted(BootService Service, const EFI_GUID *Guid, EFI_STATUS *Status);
  EFI_STATUS Record(BootService Service, const EFI_GUID *Guid, EFI_STATUS Status);
  Handle *FindHandle(EFI_HANDLE H);
  void Signal(Event *E);
  void DispatchPending();

  EFI_SYSTEM_TABLE System{};
  EFI_BOOT_SERVICES Boot{};
  EFI_RUNTIME_SERVICES Runtime{};
  std::vector<EFI_CONFIGURATION_TABLE> ConfigTable;
  std::map<EFI_HANDLE, Handle> Handles;
  std::vector<EFI_HANDLE> HandleOrder;
  std::vector<std::unique_ptr<UINT8>> HandleStorage;
  EFI_HANDLE Image = nullptr;
  UINT64 NextSerial = 1;
  std::map<VOID *, PoolBlock> PoolBlocks;
  std::vector<std::unique_ptr<Event>> EventList;
  std::vector<std::unique_ptr<Registration>> Registrations;
  EFI_TPL Tpl = TPL_APPLICATION;
  std::vector<ServiceCall> Log;
  std::vector<std::string> UnsupportedCalls;
  std::vector<std::string> DanglingAfterUnload;
  std::map<BootService, unsigned> CallCounter;
  std::map<BootService, std::map<unsigned, EFI_STATUS>> CallFaults;
  std::vector<std::pair<EFI_GUID, EFI_STATUS>> InstallFaults;
  Firmware *Previous = nullptr;

  EFI_HANDLE NewHandle();
};

}  // namespace sim
