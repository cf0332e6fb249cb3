// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Everything a host test needs from the simulated platform.
#pragma once

#include "testing/sim/Firmware.h"
#include "testing/sim/HobBuilder.h"
#include "testing/sim/Machine.h"
#include "testing/sim/Protocols.h"
#include "testing/sim/InterruptTables.h"
