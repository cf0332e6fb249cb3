# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Debian's archive as the firmware builders and the proofs use it: entries derived from the
machine's own (tools/apt-entries.py, so that no host name is ever written), another
release's pinned below 100 so that it never changes what is installed, and one apt-get at a
time."""
import glob
import os
import shutil
import subprocess
import sys

LOCK = "/tmp/socdxe-apt.lock"
SUDO = [] if os.geteuid() == 0 else ["sudo"]
ENTRIES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "apt-entries.py")


def codename():
    for line in open("/etc/os-release"):
        if line.startswith("VERSION_CODENAME="):
            return line.split("=", 1)[1].strip().strip('"')
    return ""


def write_root_file(path, text):
    subprocess.run(SUDO + ["tee", path], input=text, text=True, stdout=subprocess.DEVNULL, check=True)


def run(command, log=None, sudo=False, cwd=None):
    """COMMAND under the apt lock, as root where SUDO, its output to the open file LOG;
    True when it succeeded."""
    out = log if log is not None else subprocess.DEVNULL
    return subprocess.run(["flock", LOCK] + (SUDO if sudo else []) + command, stdout=out, stderr=out,
                          cwd=cwd).returncode == 0


def add_entries(name, args, log=None):
    """/etc/apt/sources.list.d/NAME.sources from apt-entries.py ARGS, and the lists updated."""
    stanzas = subprocess.run([sys.executable, ENTRIES] + args + [codename()], capture_output=True, text=True,
                             check=True).stdout
    write_root_file("/etc/apt/sources.list.d/%s.sources" % name, stanzas)
    run(["apt-get", "update", "-qq"], log, sudo=True)


def with_release(release, present, log=None):
    """RELEASE's main suite known to apt, both entry types, unless PRESENT() already finds
    what is wanted; pinned at 50 either way."""
    pin = "/etc/apt/preferences.d/socdxe-" + release
    if not os.path.exists(pin):
        write_root_file(pin, "Package: *\nPin: release n=%s\nPin-Priority: 50\n" % release)
    if not present():
        add_entries("socdxe-" + release, ["--types", "deb deb-src", "--as", release], log)


def candidate(package, release=None):
    """The version apt would take of PACKAGE, or RELEASE's binary package of it; or None.
    (With several releases pinned alike, apt's own candidate is the newest of them.)"""
    if release is not None:
        out = subprocess.run(["apt-cache", "madison", package], capture_output=True, text=True).stdout
        found = [f[1] for f in (line.split("|") for line in out.splitlines()) if len(f) == 3 and
                 f[0].strip() == package and " %s/" % release in f[2] and "Sources" not in f[2]]
        return found[0].strip() if found else None
    out = subprocess.run(["apt-cache", "policy", package], capture_output=True, text=True).stdout
    found = [line.split()[1] for line in out.splitlines() if line.strip().startswith("Candidate:")]
    return found[0] if found and found[0] != "(none)" else None


def unpacked(release, packages, home, log):
    """RELEASE's PACKAGES downloaded and unpacked into HOME/root, never installed; HOME is
    left whole or not at all (its "done" file says so). Raises OSError when a download
    fails."""
    if os.path.exists(os.path.join(home, "done")):
        return home
    shutil.rmtree(home, ignore_errors=True)
    download = os.path.join(home, "download")
    os.makedirs(download)
    wanted = ["%s/%s" % (p, release) for p in packages]
    if not run(["apt-get", "download", "-qq"] + wanted, log, cwd=download):
        shutil.rmtree(home, ignore_errors=True)
        raise OSError("apt-get download of %s failed" % " ".join(wanted))
    for deb in sorted(glob.glob(os.path.join(download, "*.deb"))):
        subprocess.run(["dpkg-deb", "-x", deb, os.path.join(home, "root")], stdout=log, stderr=log, check=True)
    shutil.rmtree(download)
    open(os.path.join(home, "done"), "w").close()
    return home


def source_versions(package):
    shown = subprocess.run(["apt-cache", "showsrc", package], capture_output=True, text=True).stdout
    return [line.split()[1] for line in shown.splitlines() if line.startswith("Version: ")]


def fetch_edk2(version, tree, log, ovmf=None):
    """Debian's edk2 source VERSION unpacked into TREE with Debian's patches applied, as
    dpkg-source would, from the tarballs (the .dsc of another release may not arrive); with
    OVMF, the ovmf package of the same version unpacked there. LOG is an open file. False,
    with TREE half made, if anything could not be fetched or applied."""
    download = tree + ".download"
    shutil.rmtree(download, ignore_errors=True)
    os.makedirs(download)

    def step(command, cwd=None, stdin=None):
        return subprocess.run(command, cwd=cwd, stdin=stdin, stdout=log, stderr=log).returncode == 0

    try:
        run(["apt-get", "source", "-qq", "--download-only", "edk2=" + version], log, cwd=download)
        if ovmf is not None and not run(["apt-get", "download", "-qq", "ovmf=" + version], log, cwd=download):
            return False
        orig, debian = (glob.glob(os.path.join(download, "edk2_*.%s.tar.*" % kind)) for kind in ("orig", "debian"))
        os.makedirs(tree)
        if not orig or not debian or not step(["tar", "-xf", orig[0], "-C", tree, "--strip-components=1"]) or \
                not step(["tar", "-xf", debian[0], "-C", tree]):
            return False
        for patch in open(os.path.join(tree, "debian", "patches", "series")).read().splitlines():
            patch = patch.split("#")[0].strip()
            if patch:
                with open(os.path.join(tree, "debian", "patches", patch)) as diff:
                    if not step(["patch", "-p1", "-s", "--no-backup-if-mismatch"], tree, diff):
                        return False
        return ovmf is None or step(["dpkg-deb", "-x", glob.glob(os.path.join(download, "ovmf_*.deb"))[0], ovmf])
    finally:
        shutil.rmtree(download, ignore_errors=True)
