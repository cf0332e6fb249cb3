# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The PCD tokens the drivers read, by number."""

# Token number, access, usage and purpose, in the order the drivers read them. Read by
# number through PCD_PROTOCOL: the platform's PCD database must give these numbers to PCDs
# of these types (tools/pcd-check reads this list too).
PCD_TOKENS = [
    (846, "GetBool", "CONSUMES", "configuration record byte 6"),
    (1180, "GetBool", "CONSUMES", "configuration record byte 7"),
    (1104, "Get8", "CONSUMES", "configuration record byte 8"),
    (1179, "Get8", "CONSUMES", "configuration record byte 9"),
    (1185, "Get8", "CONSUMES", "configuration record byte 10"),
    (1183, "Get8", "CONSUMES", "configuration record byte 11"),
    (1184, "Get32", "CONSUMES", "configuration record bytes 12-15"),
    (1181, "GetBool", "CONSUMES", "configuration record byte 16"),
    (1113, "Get32", "CONSUMES", "configuration record bytes 17-20"),
    (1112, "Get32", "CONSUMES", "configuration record bytes 21-24"),
    (1182, "Get8", "CONSUMES", "configuration record byte 25"),
    # Read on each INTERRUPT_TABLE_PROTOCOL install.
    (150, "Get8", "SOMETIMES_CONSUMES", "identifier of the I/O APIC at 0xFEC00000"),
    (152, "Get8", "SOMETIMES_CONSUMES", "identifier of the I/O APIC at 0xFEC01000"),
]
