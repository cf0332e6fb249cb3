// One round of a boot: start the round's images, check what they did and what their
// services answer, fire the I/O APIC fix-up, and clear the round's traces.
#pragma once

#include "tests/uefi/Harness.h"

void RunRound(const SCENARIO &Scenario, ROUND &Round, UINTN Number);
