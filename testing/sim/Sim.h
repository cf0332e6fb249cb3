// Everything a host test needs from the simulated platform.
#pragma once

#include "testing/sim/Firmware.h"
#include "testing/sim/HobBuilder.h"
#include "testing/sim/Machine.h"
#include "testing/sim/Protocols.h"
#include "testing/sim/InterruptTables.h"
