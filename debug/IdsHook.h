// The IDS hook dispatcher over the module's static "$IDS" hook table.
#pragma once

#include "uefi/Uefi.h"

// Dispatches hook identifier 0xE0000000; 1 when nothing matched or the table is bad.
UINT32 IdsHookFunc();
