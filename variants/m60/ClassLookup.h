// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The class lookups of this deliverable. Every family row is examined and the last match
// wins; the caller's record is set to FAMILY_CLASS_NONE / REVISION_CLASS_NONE first, so a
// miss leaves those values behind.
#pragma once

#include "processor/Variant.h"

BOOLEAN LookupClass(UINT32 Signature, PROCESSOR_CLASS_ID *ClassId);
// Takes the signature of the executing processor itself.
BOOLEAN LookupCoreClass(PROCESSOR_CLASS_ID *ClassId);
