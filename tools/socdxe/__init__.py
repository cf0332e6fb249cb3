# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""What the drivers' tools share: PE images (pe), the PI firmware file formats (pi), the
drivers' PCD tokens (tokens), EDK2 workspaces (edk2) and Debian's archive (apt)."""


import os

# The release's version: the one place it is written, which every tool and file reads.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "VERSION")) as _file:
    VERSION = _file.read().strip()


class Refused(Exception):
    """An input a tool will not take; the message says why."""
