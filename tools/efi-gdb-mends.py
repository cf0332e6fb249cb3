# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Mends for EDK2's BaseTools/Scripts/efi_gdb.py as edk2 2022.11 ships it, whose
"efi symbols" otherwise fails now and then:
- it searches down from each frame's address for an image header, and an unreadable page
  on the way (a firmware with heap guards has many) ends the search with a read error;
- it reads a GUID list from the build tree of the first symbol file gdb holds, and raises
  when that file lies in no EDK2 build tree (a prebuilt driver's, say).

In gdb, before sourcing efi_gdb.py:
  python import sys; sys.path.insert(0, "<edk2>/BaseTools/Scripts")
  source tools/efi-gdb-mends.py
"""
import gdb
import efi_debugging

_maybe = efi_debugging.PeTeImage.maybe
_guid_file = efi_debugging.GuidNames.add_build_guid_file.__func__


def maybe(self, offset=None):
    try:
        return _maybe(self, offset)
    except gdb.error:
        return False


def add_build_guid_file(cls, module_path, custom_file=None):
    try:
        return _guid_file(cls, module_path, custom_file)
    except (UnboundLocalError, OSError):
        return False


efi_debugging.PeTeImage.maybe = maybe
efi_debugging.GuidNames.add_build_guid_file = classmethod(add_build_guid_file)
