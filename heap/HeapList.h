// Migration of the "HEAP" hand-off HOBs into pool nodes, and the heap-list protocol.
#pragma once

#include "uefi/Uefi.h"

// Start-up step 4: adopt an installed heap list or migrate the HOBs and publish one.
VOID MigrateHeapHobs();
