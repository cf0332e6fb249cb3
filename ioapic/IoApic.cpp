#include "ioapic/IoApic.h"

// Placeholder until the I/O APIC fix-up lands: the notification runs and changes nothing.
VOID EFIAPI IoApicIdFixup(EFI_EVENT Event, VOID *Context) {
  (void)Event;
  (void)Context;
}
