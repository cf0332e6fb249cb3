"""Debian's archive as the firmware builders and the proofs use it: entries derived from the
machine's own (tools/apt-entries.py, so that no host name is ever written), another
release's pinned below 100 so that it never changes what is installed, and one apt-get at a
time."""
import os
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


def source_versions(package):
    shown = subprocess.run(["apt-cache", "showsrc", package], capture_output=True, text=True).stdout
    return [line.split()[1] for line in shown.splitlines() if line.startswith("Version: ")]
