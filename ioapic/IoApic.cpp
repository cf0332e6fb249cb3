#include "ioapic/IoApic.h"

#include "Guids.h"
#include "InterruptTable.h"
#include "framework/Framework.h"

// Inputs 24..55 are the ones routed through an I/O APIC.
#define ROUTING_INPUT_FIRST 24
#define ROUTING_INPUT_SPAN 31

static inline UINT32 Load32(const UINT8 *P) {
  UINT32 V;
  __builtin_memcpy(&V, P, sizeof(V));
  return V;
}
static inline UINT64 Load64(const UINT8 *P) {
  UINT64 V;
  __builtin_memcpy(&V, P, sizeof(V));
  return V;
}
static inline VOID Store32(UINT8 *P, UINT32 V) { __builtin_memcpy(P, &V, sizeof(V)); }

VOID SetIoApicId(UINT8 NewId, UINT32 IoApicAddress) {
  UINT8 OldId = 1;
  VOID *Interface = NULL;
  const EFI_STATUS Status = gBootServices->LocateProtocol(&gInterruptTableProtocolGuid, NULL, &Interface);
  if (EFI_ERROR(Status) || Interface == NULL) {
    return;
  }
  const UINT8 *Protocol = static_cast<const UINT8 *>(Interface);

  // A table the other driver has not provided is skipped rather than dereferenced.
  UINT8 *IoApicTable = reinterpret_cast<UINT8 *>(Load64(Protocol + INTERRUPT_TABLE_IOAPIC_TABLE));
  if (IoApicTable != NULL) {
    const UINTN Count = Load32(IoApicTable + IOAPIC_TABLE_COUNT);
    for (UINTN Row = 0; Row < Count; Row++) {
      UINT8 *Entry = IoApicTable + Row * IOAPIC_ROW_STRIDE;
      if (Load64(Entry + IOAPIC_ROW_BASE_ADDRESS) == static_cast<UINT64>(IoApicAddress)) {
        OldId = Entry[IOAPIC_ROW_APIC_ID];
        Store32(Entry + IOAPIC_ROW_APIC_ID, NewId);
      }
    }
  }

  UINT8 *RoutingTable = reinterpret_cast<UINT8 *>(Load64(Protocol + INTERRUPT_TABLE_ROUTING_TABLE));
  if (RoutingTable != NULL) {
    const UINTN Count = Load32(RoutingTable + ROUTING_TABLE_COUNT);
    for (UINTN Row = 0; Row < Count; Row++) {
      for (UINTN Item = 0; Item < ROUTING_ITEMS_PER_ROW; Item++) {
        UINT8 *Entry = RoutingTable + Row * ROUTING_ROW_STRIDE + Item * ROUTING_ITEM_STRIDE;
        const UINT8 Input = Entry[ROUTING_ITEM_INPUT_NUMBER];
        if (Entry[ROUTING_ITEM_APIC_ID] == OldId && static_cast<UINT8>(Input - ROUTING_INPUT_FIRST) <= ROUTING_INPUT_SPAN) {
          Entry[ROUTING_ITEM_APIC_ID] = NewId;
        }
      }
    }
  }
}

VOID EFIAPI IoApicIdFixup(EFI_EVENT Event, VOID *Context) {
  (void)Event;
  (void)Context;
  // Without the PCD protocol there is no configured identifier to apply.
  PCD_PROTOCOL *Pcd = GetPcdProtocol();
  if (Pcd == NULL) {
    return;
  }
  SetIoApicId(Pcd->Get8(PCD_TOKEN_IOAPIC0_ID), IOAPIC0_BASE_ADDRESS);
  // The second token is read only after the first I/O APIC has been handled.
  Pcd = GetPcdProtocol();
  if (Pcd == NULL) {
    return;
  }
  SetIoApicId(Pcd->Get8(PCD_TOKEN_IOAPIC1_ID), IOAPIC1_BASE_ADDRESS);
}
