// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The class lookup of this deliverable: pointers to the first matching family row and to
// its matching (or default) revision row. The out-parameters are written only on TRUE.
#pragma once

#include "processor/Variant.h"

BOOLEAN FindClassEntries(UINT32 Signature, const FAMILY_CLASS_ENTRY **FamilyEntry,
                         const REVISION_CLASS_ENTRY **RevisionEntry);
