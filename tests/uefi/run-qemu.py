#!/usr/bin/env python3
"""Boots the UEFI test application in QEMU with OVMF, once per start order, and turns the
application's "@@" result lines into a verdict.

  run-qemu.py --app SocUefiTestApp.efi --image m70=SocDxeM70.efi --image m60=SocDxeM60.efi \
      --cpu family=25,model=117,stepping=2 --order m70,m60 --order m60,m70 [--report]
  run-qemu.py --build build/firmware [--cpu 19/61/2] --report

--build takes the application and both images from a firmware build tree; --cpu also takes
FAMILY/MODEL/STEPPING in hex; without --order each start order of the images gets a boot.

Exit status 0 only when every boot printed BEGIN, at least one PASS, no FAIL and DONE, and
QEMU powered off by itself before the timeout. A hung boot is a failure.
"""

import argparse
import concurrent.futures
import os
import re
import selectors
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
OVMF_VARS = "/usr/share/OVMF/OVMF_VARS_4M.fd"
FW_CFG_PREFIX = "opt/soc/"
# The firmware's exception handler prints this before its register dump, then spins.
EXCEPTION_BANNER = re.compile(rb"!!!! X64 Exception Type[^\r\n]*")
EXCEPTION_GRACE = 1.0

# One result line of the application: "@@ KIND" and the rest.
_RESULT = re.compile(r"@@ [A-Z]+(?: .*)?$")
# Terminal control the firmware's console sends around the text: CSI sequences such as
# ESC[2J and ESC[=3h, charset selections ESC(B, and lone escapes.
_ESCAPE = re.compile(rb"\x1b(\[[0-9;=?]*[ -/]*[@-~]|[()][0-9A-Za-z]|[@-Z\\-_])")


def cpu_signature(family, model, stepping):
    """CPUID 0x80000001 EAX as QEMU builds it from the family, model and stepping properties
    of an AMD model such as qemu64."""
    if family > 0x0F:
        value = 0xF00 | ((family - 0x0F) << 20)
    else:
        value = family << 8
    value |= ((model & 0xF) << 4) | ((model >> 4) << 16)
    return value | (stepping & 0xF)


def parse_cpu(text):
    """'family=25,model=117,stepping=2' or '19/75/2' (hex) -> {'family': 25, ...}."""
    if "/" in text:
        parts = text.split("/")
        if len(parts) != 3:
            raise ValueError(f"--cpu wants FAMILY/MODEL/STEPPING, got {text!r}")
        return dict(zip(("family", "model", "stepping"), (int(p, 16) for p in parts)))
    props = {}
    for item in text.split(","):
        key, sep, value = item.partition("=")
        if not sep or not key:
            raise ValueError(f"bad --cpu property {item!r}")
        props[key] = int(value, 0)
    return props


def cpu_option(props):
    return "qemu64," + ",".join(f"{key}={value}" for key, value in props.items())


def qemu_option_value(value):
    # QEMU's option parser splits at commas; a doubled comma stands for one.
    return value.replace(",", ",,")


def console_lines(raw):
    """Decodes the serial output and strips terminal control, one string per line."""
    text = _ESCAPE.sub(b"", raw).decode("ascii", errors="replace")
    return re.split(r"\r\n|\n|\r", text)


def result_lines(lines):
    """The "@@" lines. A driver may have written to the same port without a newline, so
    the marker counts wherever it starts in the line."""
    found = []
    for line in lines:
        match = _RESULT.search(line)
        if match:
            found.append(match.group(0).rstrip())
    return found


@dataclass
class Boot:
    label: str
    results: list = field(default_factory=list)
    console: list = field(default_factory=list)
    stderr: str = ""
    returncode: int = 0
    timed_out: bool = False
    exception: str = None
    timeout: float = 0
    seconds: float = 0
    problems: list = field(default_factory=list)


def judge(boot):
    """Fills boot.problems; an empty list means the boot passed."""
    problems = []
    if boot.exception is not None:
        problems.append(f"CPU exception in the guest: {boot.exception}")
    elif boot.timed_out:
        problems.append(f"QEMU still running after {boot.timeout:g} s and was killed (hung boot)")
    elif boot.returncode != 0:
        problems.append(f"QEMU exited with code {boot.returncode}")
    said = boot.results
    # Only what the application said up to DONE counts.
    if "@@ DONE" in said:
        said = said[: said.index("@@ DONE") + 1]
    kinds = [line.split(" ", 2)[1] for line in said]
    if "BEGIN" not in kinds:
        problems.append("the test application never reported BEGIN")
    if "FAIL" in kinds:
        problems.append(f"{kinds.count('FAIL')} check(s) failed")
    if "PASS" not in kinds:
        problems.append("no check passed")
    if "DONE" not in kinds:
        problems.append("no DONE line: the application did not finish")
    boot.problems = problems
    return not problems


def build_args(order, signature, report, extra):
    args = [f"order={order}"]
    if signature is not None:
        args.append(f"signature=0x{signature:08X}")
    if report:
        args.append("mode=report")
    args.extend(extra)
    return " ".join(args)


def run_qemu(command, boot):
    """Runs QEMU until it exits, the timeout passes, or the guest reports a CPU exception
    (its handler then spins forever, so waiting out the timeout would tell nothing more)."""
    with subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as proc:
        chunks = {proc.stdout: [], proc.stderr: []}
        deadline = time.monotonic() + boot.timeout
        faulted = False
        with selectors.DefaultSelector() as selector:
            for stream in chunks:
                selector.register(stream, selectors.EVENT_READ)
            while selector.get_map() and time.monotonic() < deadline:
                for key, _ in selector.select(timeout=deadline - time.monotonic()):
                    data = os.read(key.fileobj.fileno(), 65536)
                    if not data:
                        selector.unregister(key.fileobj)
                        continue
                    chunks[key.fileobj].append(data)
                    if not faulted and key.fileobj is proc.stdout:
                        faulted = EXCEPTION_BANNER.search(b"".join(chunks[proc.stdout])) is not None
                        if faulted:
                            # Leave time for the rest of the banner and the register dump.
                            deadline = min(deadline, time.monotonic() + EXCEPTION_GRACE)
        try:
            proc.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            boot.timed_out = not faulted
        boot.returncode = proc.returncode
    out = b"".join(chunks[proc.stdout])
    if faulted:
        banner = EXCEPTION_BANNER.search(_ESCAPE.sub(b"", out)).group(0)
        boot.exception = banner.decode(errors="replace").strip(" !")
    return out, b"".join(chunks[proc.stderr])


def run_boot(opts, order, signature):
    boot = Boot(label=order, timeout=opts.timeout)
    with tempfile.TemporaryDirectory(prefix="soc-uefi-") as work:
        boot_dir = os.path.join(work, "fat", "EFI", "BOOT")
        os.makedirs(boot_dir)
        shutil.copyfile(opts.app, os.path.join(boot_dir, "BOOTX64.EFI"))
        vars_copy = os.path.join(work, "vars.fd")
        shutil.copyfile(opts.ovmf_vars, vars_copy)
        command = [
            opts.qemu, "-machine", "q35", "-cpu", cpu_option(opts.cpu_props), "-m", "256",
            "-nographic", "-no-reboot", "-net", "none",
            "-drive", f"if=pflash,format=raw,unit=0,readonly=on,file={opts.ovmf_code}",
            "-drive", f"if=pflash,format=raw,unit=1,file={vars_copy}",
            "-drive", f"format=raw,file=fat:rw:{os.path.join(work, 'fat')}",
        ]
        for name, path in opts.images:
            command += ["-fw_cfg", f"name={FW_CFG_PREFIX}{name},file={qemu_option_value(os.path.abspath(path))}"]
        args = build_args(order, signature, opts.report, opts.arg)
        command += ["-fw_cfg", f"name={FW_CFG_PREFIX}args,string={qemu_option_value(args)}"]

        start = time.monotonic()
        raw, err = run_qemu(command, boot)
        boot.seconds = time.monotonic() - start
    boot.console = console_lines(raw)
    boot.results = result_lines(boot.console)
    boot.stderr = err.decode(errors="replace")
    if opts.log_dir:
        os.makedirs(opts.log_dir, exist_ok=True)
        with open(os.path.join(opts.log_dir, f"boot-{order.replace(',', '-')}.log"), "wb") as log:
            log.write(raw)
    judge(boot)
    return boot


def print_boot(boot, cpu, out):
    verdict = "PASS" if not boot.problems else "FAIL"
    print(f"== boot {boot.label} (cpu {cpu}): {verdict} in {boot.seconds:.1f} s", file=out)
    for line in boot.results:
        print(f"   {line}", file=out)
    if boot.problems:
        for problem in boot.problems:
            print(f"   !! {problem}", file=out)
        print("   -- console output, terminal control removed --", file=out)
        for line in boot.console:
            if line.strip():
                print(f"   | {line}", file=out)
        if boot.stderr.strip():
            print("   -- QEMU stderr --", file=out)
            for line in boot.stderr.splitlines():
                print(f"   | {line}", file=out)


def parse_options(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", metavar="DIR", help="firmware build tree holding the application and images")
    parser.add_argument("--app", help="the test application (.efi)")
    parser.add_argument("--image", action="append", default=[], metavar="NAME=PATH",
                        help="a driver image, handed to the application as fw_cfg file opt/soc/NAME")
    parser.add_argument("--cpu", default="family=25,model=117,stepping=2", metavar="PROPS",
                        help="qemu64 properties (family=25,model=117,stepping=2) or FAMILY/MODEL/STEPPING in hex")
    parser.add_argument("--order", action="append", default=[],
                        help="start order for one boot, e.g. m70,m60; repeat for more boots")
    parser.add_argument("--report", action="store_true", help="also print what each driver published")
    parser.add_argument("--arg", action="append", default=[], help="an extra scenario token for the application")
    parser.add_argument("--timeout", type=float, default=60, help="seconds one boot may take")
    parser.add_argument("--jobs", type=int, default=0, help="boots run at once (default: one per core)")
    parser.add_argument("--log-dir", help="keep each boot's raw serial output here")
    parser.add_argument("--qemu", default="qemu-system-x86_64")
    parser.add_argument("--ovmf-code", default=OVMF_CODE)
    parser.add_argument("--ovmf-vars", default=OVMF_VARS)
    opts = parser.parse_args(argv)
    images = []
    for item in opts.image:
        name, sep, path = item.partition("=")
        if not sep:
            parser.error(f"--image wants NAME=PATH, got {item!r}")
        images.append((name, path))
    if opts.build:
        opts.app = opts.app or os.path.join(opts.build, "tests", "uefi", "SocUefiTestApp.efi")
        images = images or [(name, os.path.join(opts.build, f"SocDxe{name.upper()}.efi")) for name in ("m70", "m60")]
    if not opts.app:
        parser.error("give --app or --build")
    opts.images = images
    try:
        opts.cpu_props = parse_cpu(opts.cpu)
    except ValueError as error:
        parser.error(str(error))
    if not opts.order:
        names = [name for name, _ in images]
        opts.order = [",".join(names), ",".join(reversed(names))] if len(names) > 1 else names
    return opts


def main(argv=None):
    opts = parse_options(argv)
    missing = [p for p in [opts.app, opts.ovmf_code, opts.ovmf_vars] + [p for _, p in opts.images]
               if not os.path.isfile(p)]
    if shutil.which(opts.qemu) is None:
        missing.append(opts.qemu)
    if missing:
        print("cannot run: missing " + ", ".join(missing) +
              " (QEMU and OVMF come from Debian's qemu-system-x86 and ovmf packages)", file=sys.stderr)
        return 2
    props = opts.cpu_props
    signature = None
    if {"family", "model", "stepping"} <= props.keys():
        signature = cpu_signature(props["family"], props["model"], props["stepping"])

    jobs = opts.jobs or min(len(opts.order), os.cpu_count() or 1)
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        boots = list(pool.map(lambda order: run_boot(opts, order, signature), opts.order))
    for boot in boots:
        print_boot(boot, cpu_option(props), sys.stdout)
    failed = sum(1 for boot in boots if boot.problems)
    print(f"boots: {len(boots) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
