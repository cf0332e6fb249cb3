# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""EDK2 workspaces the tools build in: one folder per key in the cache, whose older
siblings of the same kind are stale and go; a lock while one is in use; a stamp of what its
last build was made from; and EDK2's `build` run inside edksetup.sh."""
import contextlib
import fcntl
import os
import shutil
import subprocess

from socdxe import VERSION


def write_if_changed(path, data):
    """Writes only what differs, so that EDK2's incremental build sees the rest unchanged."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = data.encode() if isinstance(data, str) else data
    if not os.path.exists(path) or open(path, "rb").read() != data:
        with open(path, "wb") as f:
            f.write(data)


@contextlib.contextmanager
def slot(cache, kind, key):
    """CACHE/KIND-KEY, locked while in use; every other KIND-* folder there is removed."""
    top = os.path.join(cache, "%s-%s" % (kind, key))
    os.makedirs(top, exist_ok=True)
    with open(os.path.join(top, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        for stale in os.listdir(cache):
            if stale.startswith(kind + "-") and stale != os.path.basename(top):
                shutil.rmtree(os.path.join(cache, stale), ignore_errors=True)
        yield top


def built_from(folder):
    """The stamp of what the folder's finished build was made from, or None."""
    done = os.path.join(folder, "done")
    return open(done).read() if os.path.exists(done) else None


def mark_built(folder, stamp):
    with open(os.path.join(folder, "done"), "w") as f:
        f.write(stamp)


# The file comment of every INF and DEC these tools write for a test platform.
HEADER = ["## @file", "#  Written by SocDxePkg's tools for a test platform.", "#",
          "#  Copyright (c) 2026, SocDxePkg contributors.", "#  SPDX-License-Identifier: BSD-2-Clause-Patent", "##", ""]


# The same for a C source they write.
C_HEADER = ("/** @file\n  Written by SocDxePkg's tools for a test platform.\n\n  Copyright (c) 2026, SocDxePkg "
            "contributors.\n  SPDX-License-Identifier: BSD-2-Clause-Patent\n**/\n")


def pcd_package_dec(name, guid, space, space_guid, pcds, includes=False):
    """The DEC of a package NAME that declares each (number, datum type) of PCDS as the
    dynamic PCD PcdT<number> of token space SPACE, whose token number is that number."""
    lines = HEADER + ["[Defines]", "  DEC_SPECIFICATION = 0x00010005", "  PACKAGE_NAME = " + name,
                      "  PACKAGE_GUID = " + guid, "  PACKAGE_VERSION = " + VERSION, ""] + (["[Includes]", "  Include", ""] if includes else [])
    lines += ["[Guids]", "  %s = %s" % (space, space_guid), "", "[PcdsDynamic]"]
    lines += ["  %s.PcdT%04d|%s|%s|0x%08X" % (space, n, "FALSE" if t == "BOOLEAN" else "0", t, n) for n, t in pcds]
    return "\n".join(lines) + "\n"


def module_inf(name, kind, guid, packages, sections, space=None, pcds=()):
    """The INF of module NAME: its source NAME.c with the entry point NAMEEntry, the
    PACKAGES' DECs, the lines of SECTIONS, and the PCDs PcdT<n> of SPACE it consumes."""
    lines = HEADER + ["[Defines]", "  INF_VERSION = 0x00010005", "  BASE_NAME = " + name, "  FILE_GUID = " + guid,
             "  MODULE_TYPE = " + kind, "  VERSION_STRING = " + VERSION, "  ENTRY_POINT = %sEntry" % name, "",
             "[Sources]", "  %s.c" % name, "", "[Packages]"] + ["  %s/%s.dec" % (p, p) for p in packages]
    lines += [""] + list(sections) + ["", "[Pcd]"] + ["  %s.PcdT%04d ## CONSUMES" % (space, n) for n in pcds]
    return "\n".join(lines) + "\n"


def link_package(workspace, name, target):
    """WORKSPACE/packages/NAME, a link to TARGET (replaced when it points elsewhere, as from
    another clone); returns the packages folder."""
    packages = os.path.join(workspace, "packages")
    os.makedirs(packages, exist_ok=True)
    link = os.path.join(packages, name)
    if os.path.lexists(link) and os.readlink(link) != target:
        os.remove(link)
    if not os.path.lexists(link):
        os.symlink(target, link)
    return packages


def build_tools(edk2, log):
    """The C BaseTools of the edk2 tree EDK2, their output after what LOG holds."""
    with open(log, "a") as out:
        return subprocess.run(["make", "-C", "BaseTools/Source/C", "-j", str(os.cpu_count())], cwd=edk2, stdout=out,
                              stderr=subprocess.STDOUT).returncode == 0


def build(workspace, edk2, args, log, packages, conf=None, append=False):
    """EDK2's build with ARGS in WORKSPACE, with the BaseTools of the edk2 tree EDK2 and the
    package folders PACKAGES, in that order, after the workspace; its output goes to LOG
    (after what it holds, where APPEND). True when it succeeded."""
    # edksetup.sh takes the arguments of the shell that sources it for its own: clear them.
    script = ('export WORKSPACE="$1" PACKAGES_PATH="$2" EDK_TOOLS_PATH="$3/BaseTools"; '
              'export CLANG_BIN="${CLANG_BIN:-/usr/lib/llvm-14/bin/}"; '
              'if [ -n "$4" ]; then export CONF_PATH="$4"; fi; cd "$1"; shift 4; args=("$@"); set --; '
              '. "$EDK_TOOLS_PATH/../edksetup.sh" >/dev/null; build -n "$(nproc)" "${args[@]}"')
    paths = ":".join([workspace] + list(packages))
    with open(log, "a" if append else "w") as out:
        run = subprocess.run(["bash", "-c", script, "build", workspace, paths, edk2, conf or ""] + list(args),
                             stdout=out, stderr=subprocess.STDOUT)
    return run.returncode == 0
