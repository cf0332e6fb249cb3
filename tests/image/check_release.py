#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""A release as an integrator takes it. tools/release, run from two clones in different
folders at different times (and time zones), writes the same bytes. The binary
kit, unpacked with no edit, goes into the PCD test platform's workspace as its SocDxePkg and
EDK2's build makes a flash that the kit's own pcd-check passes; its images and volume pass
QEMU scenarios; the reference platform's C consumer compiles against its headers. The
source package passes the source-package checks. Each refusal of tools/release has a bad
input of its own, and a bill of materials with a wrong field fails the validator.
Usage: check_release.py SOURCE FIRMWARE_BUILD"""
import importlib.machinery
import importlib.util
import json
import os
import subprocess
import sys
import tarfile
import tempfile
import time

SOURCE, BUILD = (os.path.abspath(p) for p in sys.argv[1:3])
HERE = os.path.dirname(os.path.abspath(__file__))
problems = []


def expect(ok, text):
    if not ok:
        problems.append(text)
    return ok


def run(command, **kw):
    return subprocess.run(command, capture_output=True, text=True, **kw)


def files(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))}


def release_tool(clone, out, env=None):
    return run([sys.executable, os.path.join(clone, "tools", "release"), out], env=env)


def release(clone, out, env=None):
    done = release_tool(clone, out, env)
    expect(done.returncode == 0, "tools/release in %s: %s" % (clone, (done.stdout + done.stderr).strip()[-600:]))
    return done.stdout


def refused(clone, out, reason, env=None):
    before = files(out) if os.path.isdir(out) else None
    done = release_tool(clone, out, env)
    lines = done.stderr.strip().splitlines()
    expect(done.returncode == 1 and len(lines) == 1 and reason in lines[0] and
           (files(out) if os.path.isdir(out) else None) == before,
           "tools/release should refuse with one line saying %r, and write nothing: %r" % (reason, done.stderr))


def main():
    work = tempfile.mkdtemp(prefix="socdxe-release-check-")
    one, two = os.path.join(work, "a", "SocDxe"), os.path.join(work, "elsewhere", "b", "SocDxe")
    for clone in (one, two):
        run(["git", "clone", "-q", SOURCE, clone], check=True)
    print(release(one, os.path.join(work, "out-a")))
    time.sleep(2)
    other = dict(os.environ, TZ="Asia/Tokyo")
    print(release(two, os.path.join(work, "out-b"), other))
    a, b = files(os.path.join(work, "out-a")), files(os.path.join(work, "out-b"))
    expect(a == b and len(a) == 5, "two releases of one commit differ: %s" %
           [n for n in sorted(set(a) | set(b)) if a.get(n) != b.get(n)])
    print("the second release, from %s, is the first's byte for byte: %s" % (two, a.get("SHA256SUMS", b"").decode()))

    # Each refusal, with its own bad input; the folder stays empty or absent.
    cache = os.environ.get("SOC_CACHE_DIR") or os.path.expanduser("~/.cache/socdxe")
    validator = [os.path.join(cache, d, "root", "usr", "lib", "python3", "dist-packages")
                 for d in sorted(os.listdir(cache)) if d.startswith("cyclonedx-lib-")]
    bin_only = os.path.join(work, "bin")
    os.makedirs(bin_only)
    os.symlink(run(["which", "git"]).stdout.strip(), os.path.join(bin_only, "git"))
    refused(one, os.path.join(work, "out-a"), "already holds files")
    refused(one, os.path.join(work, "r1"), "the validator is missing", dict(os.environ, SOC_RELEASE_VALIDATOR=work))
    refused(one, os.path.join(work, "r2"), "the build tool cmake is missing",
            dict(os.environ, PATH=bin_only, SOC_RELEASE_VALIDATOR=validator[-1] if validator else work))
    open(os.path.join(one, "stray"), "w").close()
    refused(one, os.path.join(work, "r3"), "uncommitted change")
    os.remove(os.path.join(one, "stray"))
    open(os.path.join(one, "VERSION"), "w").write("9.9\n")
    run(["git", "-C", one, "-c", "user.name=t", "-c", "user.email=t@t", "commit", "-qam", "9.9"], check=True)
    refused(one, os.path.join(work, "r4"), "no entry for version 9.9")
    loader = importlib.machinery.SourceFileLoader("release", os.path.join(SOURCE, "tools", "release"))
    tool = importlib.util.module_from_spec(importlib.util.spec_from_loader("release", loader))
    loader.exec_module(tool)
    check, _ = tool.validator()
    bom = json.loads(a["SocDxePkg-%s-bin.cdx.json" % tool.VERSION])
    bom["components"][0]["hashes"][0]["content"] = "not a SHA-256"
    expect(check.validate_str(json.dumps(bom)) is not None, "the validator took a SHA-256 of 'not a SHA-256'")

    # The kit, unpacked as an integrator would, and used with no edit.
    kit_top = os.path.join(work, "kit")
    with tarfile.open(os.path.join(work, "out-a", "SocDxePkg-%s-bin.tar.gz" % tool.VERSION)) as t:
        t.extractall(kit_top)
    kit = os.path.join(kit_top, "SocDxePkg")
    strict = run([os.path.join(SOURCE, "tools", "strict-ovmf"), "--where"]).stdout.strip()
    built = run([sys.executable, os.path.join(SOURCE, "tests", "pcd", "pcd-platform.py"), "--strict", strict,
                 "--drivers", kit])
    flash = os.path.join(built.stdout.strip(), "good", "SOCPCDTEST.fd")
    checked = run([os.path.join(kit, "tools", "pcd-check"), flash])
    expect(built.returncode == 0 and checked.returncode == 0,
           "the kit in an EDK2 platform: %s" % (built.stderr + checked.stdout)[-800:])
    version = run([os.path.join(kit, "tools", "pcd-check"), "--version"]).stdout.strip()
    expect(version == "pcd-check (SocDxePkg) %s" % tool.VERSION, "the kit's pcd-check --version: %r" % version)
    images = ["--image", "m70=" + os.path.join(kit, "Binaries", "SocDxeM70.efi"),
              "--image", "m60=" + os.path.join(kit, "Binaries", "SocDxeM60.efi"),
              "--fv", os.path.join(kit, "Binaries", "SocDxe.fv")]
    for scenario in ("family19h_model75h_stepping2", "dispatcher"):
        booted = run([sys.executable, "-B", os.path.join(SOURCE, "tests", "uefi", "run-qemu.py"), "--scenario", scenario,
                      "--app", os.path.join(BUILD, "tests", "uefi", "SocUefiTestApp.efi"), "--firmware", "release"]
                     + images)
        expect(booted.returncode == 0, "scenario %s on the kit's images: %s" % (scenario, booted.stdout[-800:]))
    mde = os.path.join(open(os.path.join(SOURCE, "build", "edk2", "2022.11.tree")).read().strip(), "MdePkg")
    consumer = run(["gcc", "-std=c11", "-fsyntax-only", "-fshort-wchar", "-Wall", "-Werror", "-isystem",
                    os.path.join(mde, "Include"), "-isystem", os.path.join(mde, "Include", "X64"), "-I",
                    os.path.join(kit, "include"), "-I", os.path.join(SOURCE, "tests", "platform"),
                    os.path.join(SOURCE, "tests", "platform", "SocRefConsumer.c")])
    expect(consumer.returncode == 0, "the reference platform's consumer on the kit's headers: %s" % consumer.stderr[-600:])

    # The source package, unpacked: the checks of a package in a workspace.
    src_top = os.path.join(work, "src")
    with tarfile.open(os.path.join(work, "out-a", "SocDxePkg-%s-src.tar.gz" % tool.VERSION)) as t:
        t.extractall(src_top)
    package = run([sys.executable, "-B", os.path.join(HERE, "check_source_package.py"), "--edk2", os.path.dirname(mde),
                   os.path.join(src_top, "SocDxePkg")])
    expect(package.returncode == 0, "the source package: %s" % package.stdout[-800:])

    for p in problems:
        print("FAIL " + p)
    print("%d passed, %d failed" % (0 if problems else 1, 1 if problems else 0))
    if not problems:
        subprocess.run(["rm", "-rf", work])
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
