#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Boots the UEFI test application in QEMU with OVMF once and turns the application's "@@"
result lines into a verdict. Each --order is one round of that boot: the images are loaded
afresh and started in that order.

  run-qemu.py --scenario pcd_hidden --app SocUefiTestApp.efi --image m70=SocDxeM70.efi \
      --image m60=SocDxeM60.efi --fv SocDxe.fv --firmware strict
  run-qemu.py --build build/firmware [--cpu 19/61/2] [--order m60,m70] [--start observe] --report

--scenario takes the processor, the rounds and what else is judged from the scenario table
(scenarios.py); without it, each --order (images, comma separated) is one round started as
--start says. --build takes the application and both images from a firmware build tree;
--cpu also takes FAMILY/MODEL/STEPPING in hex. Without --order or --scenario there are two
rounds, m70,m60 and m60,m70 (with --report one, m70,m60). The rounds reach the application
as one binary record, fw_cfg file opt/soc/scenario.

An isa-debug-exit device sits on port 0xE0, so the error trap's first write (0xDEAD) ends
the boot at once with exit code 91 instead of spinning on the POST-code display. Where a
trap is expected (--expect-trap CODE), the device sits on port 0x80 instead and QEMU
traces the port writes: the trap must write 0xDEAD to port 0xE0, then CODE to port 0x80,
which ends the boot.

--firmware strict boots the DEBUG OVMF with memory protections that tools/strict-ovmf
builds, keeps its debug log (port 0x402) and judges it too: from the application's load
on, no ASSERT, CPU exception (a guard page hit is one) or page/pool error, and a
"Loading driver at" line for each driver.

With --gdb QEMU serves gdb and the application waits with the round's images loaded;
gdb, run in the folder of the drivers' symbol files, loads every image's symbols with
EDK2's efi_gdb.py (from the strict firmware's edk2 tree) and lets them start
(soc-release). --gdb-check runs that as a batch session (stop in DriverEntry, show the
line, detach) and judges it too. Dispatching rounds need --fv (--build supplies SocDxe.fv).

Exit status 0 only when the boot printed BEGIN, at least one PASS, no FAIL and DONE, and
QEMU powered off by itself before the timeout; with --expect-trap, when the trap with that
code ended the boot instead of DONE. --hook-version patches the "$IDS" hook table's Version
in copies of the images before the boot. A hung boot is a failure; so is a fault in the debug log.
"""

import argparse
import os
import re
import selectors
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

import scenarios

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from socdxe.pe import IDS_HOOK_HEADER  # noqa: E402

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STRICT_OVMF = os.path.join(SOURCE_DIR, "tools", "strict-ovmf")
REFERENCE_PLATFORM = os.path.join(SOURCE_DIR, "tools", "reference-platform")
FW_CFG_PREFIX = "opt/soc/"
EDK2_OUT = os.environ.get("SOC_EDK2_OUT") or os.path.join(SOURCE_DIR, "build", "edk2")  # as tools/edk2-build
# The firmware's exception handler prints this before its register dump, then spins.
EXCEPTION_BANNER = re.compile(rb"!!!! X64 Exception Type[^\r\n]*")
EXCEPTION_GRACE = 1.0
# isa-debug-exit exits with (value << 1) | 1; for the trap's 16-bit 0xDEAD that is 91.
TRAP_PORT = 0xE0
TRAP_EXIT = ((0xDEAD << 1) | 1) & 0xFF
# QEMU's trace of a port write (memory_region_ops_write): port, value, width.
_PORT_WRITE = re.compile(r"memory_region_ops_write .* addr 0x([0-9a-f]+) value 0x([0-9a-f]+) size (\d) name "
                         r"'(io|isa-debug-exit)'")

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
    trap: int = None  # the code the error trap wrote to port 0x80 after 0xDEAD to port 0xE0
    timeout: float = 0
    seconds: float = 0
    problems: list = field(default_factory=list)


def last_application_line(results):
    lines = [line for line in results if not line.startswith("@@ REPORT")]
    return lines[-1] if lines else None


def exit_reason(boot):
    if boot.exception is not None:
        return f"CPU exception in the guest ({boot.exception})"
    if boot.trap is not None:
        return f"the error trap wrote 0xDEAD to port 0x{TRAP_PORT:X} and 0x{boot.trap:08X} to port 0x80"
    if boot.timed_out:
        return f"killed after {boot.timeout:g} s (hung boot)"
    if boot.returncode == TRAP_EXIT:
        return f"exit code {TRAP_EXIT}: the error trap wrote 0xDEAD to port 0x{TRAP_PORT:X}"
    if boot.returncode == 0:
        return "powered off by the application"
    return f"exit code {boot.returncode}"


def judge(boot, expect_trap=None):
    """Fills boot.problems; an empty list means the boot passed. expect_trap: the code of
    the error trap that must end the boot."""
    problems = []
    trapped = boot.exception is None and not boot.timed_out and boot.trap == expect_trap
    if expect_trap is not None:
        if not trapped:
            problems.append(f"expected the error trap 0x{expect_trap:08X} to end the boot, but QEMU: "
                            f"{exit_reason(boot)}")
    elif boot.exception is not None or boot.timed_out or boot.returncode != 0:
        problems.append(f"QEMU: {exit_reason(boot)}")
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
    if expect_trap is not None:
        if "DONE" in kinds:
            problems.append("the application finished: nothing trapped")
    elif "DONE" not in kinds:
        problems.append("no DONE line: the application did not finish")
        last = last_application_line(said)
        if last is not None:
            problems.append(f"last line from the application: {last}")
    boot.problems = problems
    return not problems


# Once the application is loaded, a DEBUG firmware's log must say none of this. A guard
# page hit is a page fault: its exception dump.
LOG_FAULTS = [
    (re.compile(r"ASSERT"), "an ASSERT"),
    (re.compile(r"Exception Type"), "a CPU exception"),
    (re.compile(r"ConvertPages: "), "a page conversion error"),
    (re.compile(r"(Allocate|Free)Pool(Pages)?: .*fail|FreePool: .*invalid", re.I), "a pool error"),
]
_LOADING = re.compile(r"Loading driver at 0x[0-9A-Fa-f]+ EntryPoint=0x[0-9A-Fa-f]+ +(\S*)")


def judge_log(boot, log, app, drivers, from_drivers=False):
    """Adds the debug log's problems to boot.problems: app and drivers are image names
    (SocUefiTestApp.efi), as the DXE core prints them from their CodeView entries. The log
    is judged from the application's load on. Where the platform itself loads the drivers
    (from_drivers), it is judged from the first driver's load on, except that page
    conversion errors count only during the drivers' own entries and from the application's
    load on: in between, the firmware's memory protection reports its MMIO ranges so."""
    lines = log.splitlines()
    loaded = [(at, m.group(1)) for at, m in enumerate(map(_LOADING.search, lines)) if m]
    first = app if not from_drivers else next((name for _, name in loaded if name in drivers), drivers[0])
    start = next((at for at, name in loaded if name == first), None)
    if start is None:
        boot.problems.append(f"debug log: no 'Loading driver at ... {first}' line")
        return
    ours = set()
    if from_drivers:
        app_at = next((at for at, name in loaded if name == app), len(lines))
        for index, (at, name) in enumerate(loaded):
            if name in drivers:
                ours.update(range(at, loaded[index + 1][0] if index + 1 < len(loaded) else len(lines)))
        ours.update(range(app_at, len(lines)))
    faults = [(what, line) for at, line in enumerate(lines) if at >= start for pattern, what in LOG_FAULTS
              if pattern.search(line) and (not from_drivers or what != "a page conversion error" or at in ours)]
    for what, line in faults[:5]:
        boot.problems.append(f"debug log: {what}: {line.strip()}")
    names = {name for at, name in loaded if at >= start}
    for driver in drivers:
        if driver not in names:
            boot.problems.append(f"debug log: no 'Loading driver at ... {driver}' line")


def scenario_record(opts, signature):
    return scenarios.record(opts.rounds, signature or 0, opts.report, opts.gdb is not None)


def run_qemu(command, boot, on_output=None, log_path=None):
    """Runs QEMU until it exits, the timeout passes, or the guest reports a CPU exception on
    its console or an ASSERT in the debug log at log_path (either way it then spins
    forever, so waiting out the timeout would tell nothing more). on_output, if given,
    sees the console output so far after every read."""
    with subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as proc:
        chunks = {proc.stdout: [], proc.stderr: []}
        if on_output is not None:
            on_output(b"")
        deadline = time.monotonic() + boot.timeout
        faulted = False
        with selectors.DefaultSelector() as selector:
            for stream in chunks:
                selector.register(stream, selectors.EVENT_READ)
            while selector.get_map() and time.monotonic() < deadline:
                for key, _ in selector.select(timeout=min(0.5, max(0.0, deadline - time.monotonic()))):
                    data = os.read(key.fileobj.fileno(), 65536)
                    if not data:
                        selector.unregister(key.fileobj)
                        continue
                    chunks[key.fileobj].append(data)
                    if on_output is not None and key.fileobj is proc.stdout:
                        on_output(b"".join(chunks[proc.stdout]))
                if not faulted:
                    faulted = EXCEPTION_BANNER.search(b"".join(chunks[proc.stdout])) is not None or (
                        log_path is not None and os.path.exists(log_path) and b"ASSERT" in open(log_path, "rb").read())
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
    banner = EXCEPTION_BANNER.search(_ESCAPE.sub(b"", out))
    if banner:
        boot.exception = banner.group(0).decode(errors="replace").strip(" !")
    elif faulted:
        boot.exception = "ASSERT in the firmware's debug log"
    return out, b"".join(chunks[proc.stderr])


# --- debugging: the application loads the round's images and waits for a debugger to set
# its flag before it starts them; EDK2's efi_gdb.py finds them through the firmware.
# Whole lines only: the console arrives in pieces.
_DEBUG_WAIT = re.compile(r"@@ DEBUG wait[ \t]*\n")
# Sourcing efi_gdb.py runs "efi symbols --frame --extended" once; the second run shows
# what it found and must find it loaded. Its last step can fail once frames changed under
# it (after loading everything), which must not end the session.
GDB_CHECK = """continue
source {efi_gdb}
python
try:
    gdb.execute("efi symbols --extended")
except gdb.error as error:
    print("efi symbols:", error)
end
break {stop}
soc-release
continue
python print("stopped in", gdb.selected_frame().function(), "of", gdb.selected_frame().find_sal().symtab.objfile.filename)
frame
delete
detach
"""


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def connect_script(port, efi_gdb):
    # QEMU listens from its start, stopped (-S); gdb may come up first, so it retries.
    # tools/efi-gdb-mends.py keeps efi_gdb.py's "efi symbols" from failing now and then.
    return "\n".join([
        "set pagination off", "set confirm off", f"directory {SOURCE_DIR}",
        f"python import sys; sys.path.insert(0, {os.path.dirname(efi_gdb)!r})",
        f"source {os.path.join(SOURCE_DIR, 'tools', 'efi-gdb-mends.py')}",
        "define soc-symbols", f"  source {efi_gdb}", "end",
        "document soc-symbols", "Loads the symbols of every loaded image (EDK2's efi_gdb.py: efi symbols --extended).", "end",
        "define soc-release", "  set var gDebuggerAttached = 1", "end",
        "document soc-release", "Lets the test application start the drivers (loaded and waiting) at the next continue.",
        "end",
        "python",
        "import time",
        "for attempt in range(100):",
        "    try:",
        f"        gdb.execute('target remote 127.0.0.1:{port}')",
        "        break",
        "    except gdb.error:",
        "        time.sleep(0.1)",
        "end", ""])


class Debugger:
    """QEMU starts stopped with its gdb server. gdb runs in the folder that holds the images,
    whose CodeView entries name their symbol files relative to it. Once the application
    holds the drivers loaded, efi_gdb.py walks the firmware's debug image info table and
    loads every image's symbols. With check, a batch session does that: the runner
    interrupts it when the drivers wait, and it must stop in DriverEntry and let the boot go on."""

    def __init__(self, opts, port, check):
        self.opts, self.port, self.check = opts, port, check
        self.connect = os.path.abspath(opts.gdb_script)
        self.folder = os.path.dirname(os.path.abspath(opts.images[0][1]))
        self.proc = None
        self.waiting = False
        with open(self.connect, "w") as f:
            f.write(connect_script(port, opts.efi_gdb))

    def __call__(self, raw):
        if not raw:
            self.start()
            return
        if self.waiting or not _DEBUG_WAIT.search("\n".join(console_lines(raw))):
            return
        self.waiting = True
        if self.proc is not None:
            self.proc.send_signal(signal.SIGINT)
        else:
            print("The drivers are loaded and waiting. In gdb: Ctrl-C, then soc-symbols (efi_gdb.py loads every "
                  "image's symbols), set breakpoints (break DriverEntry, break IoApicIdFixup, ...), then soc-release "
                  "and continue.", file=sys.stderr, flush=True)

    def start(self):
        if not self.check:
            print(f"QEMU is stopped and serves gdb on port {self.port}. In another terminal:\n"
                  f"  cd {self.folder} && gdb -x {self.connect}\nthen continue.", file=sys.stderr, flush=True)
            return
        check = os.path.splitext(self.connect)[0] + "-check.gdb"
        with open(check, "w") as f:
            f.write(GDB_CHECK.format(efi_gdb=self.opts.efi_gdb, stop=self.stop()[0]))
        self.proc = subprocess.Popen([self.opts.gdb_binary, "-nx", "-batch", "-x", self.connect, "-x", check],
                                     cwd=self.folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)

    def stop(self):
        """Where the batch session stops: DriverEntry of SocDxeM70 where the application
        starts the drivers; on the platform, which started them before, the I/O APIC
        callback of either, when the application installs its interrupt tables, with the
        symbols efi_gdb.py finds in the platform's build tree."""
        if self.opts.firmware == "platform":
            return "IoApicIdFixup", r"SocDxeM[67]0\.(dll|debug)", r"ioapic/IoApic\.cpp"
        return "DriverEntry", r"SocDxeM70\.debug", r"framework/Entry\.cpp"

    def finish(self, boot):
        if not self.check:
            return
        if not self.waiting:
            boot.problems.append("gdb: the application never waited for a debugger")
        try:
            output, _ = self.proc.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            output, _ = self.proc.communicate()
            boot.problems.append("gdb: the session did not end")
        function, symbols, source = self.stop()
        wants = [(r"Breakpoint 1(\.\d+)?, (0x[0-9a-f]+ in )?%s \(" % function, "stopped in " + function),
                 (r"stopped in %s(\(.*\))? of \S*/%s\n" % (function, symbols), "in the driver's symbols"),
                 (r"at \S*%s:\d+\n\d+\s+\S" % source, "with its source line")]
        for pattern, what in wants:
            if not re.search(pattern, output):
                boot.problems.append(f"gdb: not {what}")
        # efi_gdb.py lists every image it loads; the firmware's own are left out here.
        boot.results.append("@@ GDB " + " | ".join(line for line in output.splitlines() if line.strip() and (
            "load = 0x" not in line or "SocDxe" in line or "SocUefi" in line)))


def trap_code(trace):
    """The code of the error trap from QEMU's trace of port writes: 0xDEAD to port 0xE0,
    then the 32-bit code to port 0x80, the last two writes of the boot; or None."""
    writes = [(int(p, 16), int(v, 16), int(w)) for p, v, w, _ in _PORT_WRITE.findall(trace)]
    if len(writes) >= 2 and writes[-2] == (TRAP_PORT, 0xDEAD, 2) and writes[-1][::2] == (0x80, 4):
        return writes[-1][1]
    return None


def patched_images(images, version, work):
    """Copies of the images with the hook table's Version replaced."""
    copies = []
    for name, path in images:
        data = bytearray(open(path, "rb").read())
        at = data.find(IDS_HOOK_HEADER)
        if at < 0 or data.find(IDS_HOOK_HEADER, at + 1) >= 0:
            raise SystemExit(f"{path}: no single \"$IDS\" hook table to patch")
        data[at + 4:at + 8] = version.to_bytes(4, "little")
        os.makedirs(os.path.join(work, "patched"), exist_ok=True)
        copies.append((name, os.path.join(work, "patched", os.path.basename(path))))
        open(copies[-1][1], "wb").write(data)
    return copies


def run_boot(opts, signature):
    boot = Boot(label=" then ".join(str(r) for r in opts.rounds), timeout=opts.timeout)
    with tempfile.TemporaryDirectory(prefix="soc-uefi-") as work:
        images = patched_images(opts.images, opts.hook_version, work) if opts.hook_version is not None else opts.images
        trace = os.path.join(work, "ports.trace") if opts.expect_trap is not None else None
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
            "-device", f"isa-debug-exit,iobase=0x{0x80 if trace else TRAP_PORT:x},iosize={4 if trace else 2}",
        ] + (["-trace", f"enable=memory_region_ops_write,file={qemu_option_value(trace)}"] if trace else [])
        for name, path in images:
            command += ["-fw_cfg", f"name={FW_CFG_PREFIX}{name},file={qemu_option_value(os.path.abspath(path))}"]
        if opts.fv:
            command += ["-fw_cfg", f"name={FW_CFG_PREFIX}fv,file={qemu_option_value(os.path.abspath(opts.fv))}"]
        log_path = None
        if opts.debug_log:
            log_path = os.path.join(work, "debug.log")
            command += ["-debugcon", f"file:{qemu_option_value(log_path)}", "-global", "isa-debugcon.iobase=0x402"]
        debugger = None
        if opts.gdb is not None:
            port = opts.gdb or free_port()
            command += ["-gdb", f"tcp:127.0.0.1:{port}", "-S"]
            debugger = Debugger(opts, port, opts.gdb_check)
        record = os.path.join(work, "scenario")
        with open(record, "wb") as f:
            f.write(scenario_record(opts, signature))
        command += ["-fw_cfg", f"name={FW_CFG_PREFIX}scenario,file={qemu_option_value(record)}"]

        start = time.monotonic()
        raw, err = run_qemu(command, boot, debugger, log_path)
        boot.seconds = time.monotonic() - start
        log = open(log_path, "rb").read() if log_path and os.path.exists(log_path) else b""
        if trace and os.path.exists(trace):
            boot.trap = trap_code(open(trace, errors="replace").read())
    boot.console = console_lines(raw)
    boot.results = result_lines(boot.console)
    boot.stderr = err.decode(errors="replace")
    if opts.log_dir:
        os.makedirs(opts.log_dir, exist_ok=True)
        with open(os.path.join(opts.log_dir, "boot.log"), "wb") as f:
            f.write(raw)
        if opts.debug_log:
            with open(os.path.join(opts.log_dir, "debug.log"), "wb") as f:
                f.write(log)
    judge(boot, opts.expect_trap)
    if opts.debug_log:
        text = log.decode("ascii", errors="replace")
        judge_log(boot, text, os.path.basename(opts.app), [os.path.basename(path) for _, path in opts.images],
                  opts.firmware == "platform")
        for pattern in opts.log_line:
            match = re.search(pattern, text, re.I | re.M)
            if match:
                boot.results.append("@@ LOG " + match.group(0).strip())
            else:
                boot.problems.append(f"debug log: no line matching {pattern!r}")
    if debugger is not None:
        debugger.finish(boot)
    return boot


def print_console(boot, out):
    print("   -- console output, terminal control removed --", file=out)
    for line in boot.console:
        if line.strip():
            print(f"   | {line}", file=out)
    if boot.stderr.strip():
        print("   -- QEMU stderr --", file=out)
        for line in boot.stderr.splitlines():
            print(f"   | {line}", file=out)


def print_boot(boot, cpu, out):
    verdict = "PASS" if not boot.problems else "FAIL"
    print(f"== boot {boot.label} (cpu {cpu}): {verdict} in {boot.seconds:.1f} s; QEMU: {exit_reason(boot)}", file=out)
    for line in boot.results:
        print(f"   {line}", file=out)
    if boot.problems:
        for problem in boot.problems:
            print(f"   !! {problem}", file=out)
        print_console(boot, out)


def print_report(boot, cpu, out):
    """Only what the application reported, then the verdict; the firmware's own output
    stays out unless something went wrong."""
    for line in boot.results:
        if line.startswith("@@ REPORT"):
            print(line[len("@@ REPORT "):], file=out)
    kinds = [line.split(" ", 2)[1] for line in boot.results]
    print("", file=out)
    print(f"checks: {kinds.count('PASS')} passed, {kinds.count('FAIL')} failed "
          f"(cpu {cpu}, {boot.seconds:.1f} s; QEMU: {exit_reason(boot)})", file=out)
    for line in boot.results:
        if line.startswith("@@ FAIL"):
            print(f"  {line[3:]}", file=out)
    for problem in boot.problems:
        print(f"  !! {problem}", file=out)
    if boot.problems:
        print_console(boot, out)


def parse_options(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", metavar="DIR", help="firmware build tree holding the application and images")
    parser.add_argument("--app", help="the test application (.efi)")
    parser.add_argument("--image", action="append", default=[], metavar="NAME=PATH",
                        help="a driver image, handed to the application as fw_cfg file opt/soc/NAME")
    parser.add_argument("--cpu", default="family=25,model=117,stepping=2", metavar="PROPS",
                        help="qemu64 properties (family=25,model=117,stepping=2) or FAMILY/MODEL/STEPPING in hex")
    parser.add_argument("--scenario", help="a scenario of the table in scenarios.py, by name")
    parser.add_argument("--order", action="append", default=[],
                        help="start order of one round, e.g. m60,m70; repeat for more rounds")
    parser.add_argument("--start", choices=[s.name.lower().replace("_", "-") for s in scenarios.Start], default="load",
                        help="how the rounds of --order start their images")
    parser.add_argument("--report", action="store_true",
                        help="print what each driver published and what its services answered")
    parser.add_argument("--expect-trap", type=lambda text: int(text, 0), metavar="CODE",
                        help="pass only if the error trap with this code ends the boot")
    parser.add_argument("--hook-version", type=lambda text: int(text, 0), metavar="N",
                        help="boot copies of the images whose \"$IDS\" hook table has Version N")
    parser.add_argument("--gdb", type=int, nargs="?", const=1234, metavar="PORT",
                        help="QEMU's gdb server on PORT (1234; 0 picks a free one); the application waits with "
                             "the drivers loaded; the runner writes an attach script for gdb")
    parser.add_argument("--gdb-script", help="where the attach script goes (default: next to the application)")
    parser.add_argument("--gdb-check", action="store_true",
                        help="run a batch gdb session on the script: stop in DriverEntry, show the line, detach")
    parser.add_argument("--gdb-binary", default="gdb")
    parser.add_argument("--fv", help="firmware volume for rounds with the dispatch option (fw_cfg file opt/soc/fv)")
    parser.add_argument("--timeout", type=float, help="seconds the boot may take (the scenario's, or 60)")
    parser.add_argument("--log-dir", help="keep the boot's raw serial output (and the firmware's debug log) here")
    parser.add_argument("--firmware", choices=scenarios.FIRMWARES, default="release",
                        help="Debian's RELEASE OVMF, the strict DEBUG OVMF of tools/strict-ovmf, whose debug log "
                             "is judged too, Debian 13's OVMF 2025.02 in its strict-NX build (tools/edk2-build), or "
                             "the reference platform of tools/reference-platform, with both drivers in its flash "
                             "(its debug log judged from the drivers' load on)")
    parser.add_argument("--log-line", action="append", default=[], metavar="PATTERN",
                        help="a line the firmware's debug log must hold (a regular expression, any case)")
    parser.add_argument("--qemu", default="qemu-system-x86_64")
    opts = parser.parse_args(argv)
    gdb_name = "socdxe-attach.gdb"
    if opts.scenario:
        if opts.order:
            parser.error("--scenario gives the rounds; --order is for a boot of its own")
        try:
            scenario = scenarios.lookup(opts.scenario)
        except KeyError as error:
            parser.error(error.args[0])
        opts.cpu, opts.rounds, opts.log_line = scenario.cpu, list(scenario.rounds), opts.log_line + list(scenario.log_lines)
        opts.expect_trap = opts.expect_trap if opts.expect_trap is not None else scenario.trap
        opts.hook_version = opts.hook_version if opts.hook_version is not None else scenario.hook_version
        opts.timeout = opts.timeout or scenario.timeout
        if scenario.gdb:
            opts.gdb, opts.gdb_check, gdb_name = 0, True, scenario.gdb
    opts.timeout = opts.timeout or 60
    strict = subprocess.run([STRICT_OVMF, "--where"], capture_output=True, text=True).stdout.strip()
    opts.efi_gdb = os.path.join(strict, "edk2", "BaseTools", "Scripts", "efi_gdb.py")
    opts.debug_log = opts.firmware in ("strict", "platform")
    where = {"strict": lambda: strict, "platform": lambda: subprocess.run(
        [REFERENCE_PLATFORM, "--where"], capture_output=True, text=True).stdout.strip()}
    # Debian's RELEASE OVMF, which logs nothing; Debian 13's OVMF 2025.02 and unstable's
    # newest (RELEASE, strict NX, no keys enrolled), unpacked by tools/edk2-build and
    # tools/newest-ovmf; the strict DEBUG one and the platform.
    folder, code, variables = {
        "release": ("/usr/share/OVMF", "OVMF_CODE_4M.fd", "OVMF_VARS_4M.fd"),
        "debian13": (os.path.join(EDK2_OUT, "ovmf-2025.02"), "OVMF_CODE_4M.secboot.strictnx.fd", "OVMF_VARS_4M.fd"),
        "unstable": (os.path.join(EDK2_OUT, "ovmf-unstable"), "OVMF_CODE_4M.secboot.strictnx.fd", "OVMF_VARS_4M.fd"),
    }.get(opts.firmware) or (where[opts.firmware](), "OVMF_CODE.fd", "OVMF_VARS.fd")
    opts.ovmf_code, opts.ovmf_vars = os.path.join(folder, code), os.path.join(folder, variables)
    images = []
    for item in opts.image:
        name, sep, path = item.partition("=")
        if not sep:
            parser.error(f"--image wants NAME=PATH, got {item!r}")
        images.append((name, path))
    if opts.build:
        opts.app = opts.app or os.path.join(opts.build, "tests", "uefi", "SocUefiTestApp.efi")
        images = images or [(name, os.path.join(opts.build, f"SocDxe{name.upper()}.efi")) for name in ("m70", "m60")]
        opts.fv = opts.fv or os.path.join(opts.build, "SocDxe.fv")
    if not opts.app:
        parser.error("give --app or --build")
    opts.images = images
    opts.gdb_script = opts.gdb_script or os.path.join(os.path.dirname(os.path.abspath(opts.app)), gdb_name)
    if opts.gdb is not None and not opts.gdb_check:
        opts.timeout = max(opts.timeout, 3600)  # a person at the debugger
    try:
        opts.cpu_props = parse_cpu(opts.cpu)
    except ValueError as error:
        parser.error(str(error))
    if not opts.scenario:
        names = [name for name, _ in images]
        orders = [o.split(",") for o in opts.order] or [names] + ([names[::-1]] if len(names) > 1 and not opts.report else [])
        start = scenarios.Start[opts.start.upper().replace("-", "_")]
        opts.rounds = [scenarios.Round(tuple(o), start) for o in orders]
    try:
        scenarios.record(opts.rounds)
    except ValueError as error:
        parser.error(str(error))
    return opts


def main(argv=None):
    opts = parse_options(argv)
    failed = os.path.join(os.path.dirname(opts.ovmf_code) + ".failed")
    if os.path.exists(failed):  # the firmware could not be fetched: that, in one line
        with open(failed) as reason:
            print(reason.read().strip(), file=sys.stderr)
        return 2
    wanted = [opts.app, opts.ovmf_code, opts.ovmf_vars] + [p for _, p in opts.images] + [opts.fv or opts.app]
    missing = [p for p in wanted + ([opts.efi_gdb] if opts.gdb is not None else []) if not os.path.isfile(p)]
    if shutil.which(opts.qemu) is None:
        missing.append(opts.qemu)
    if missing:
        print("cannot run: missing " + ", ".join(missing) + " (QEMU and OVMF come from Debian's qemu-system-x86 and "
              "ovmf packages; tools/strict-ovmf builds the strict firmware and keeps EDK2's efi_gdb.py)",
              file=sys.stderr)
        return 2
    props = opts.cpu_props
    signature = None
    if {"family", "model", "stepping"} <= props.keys():
        signature = cpu_signature(props["family"], props["model"], props["stepping"])

    boot = run_boot(opts, signature)
    if opts.report:
        print_report(boot, cpu_option(props), sys.stdout)
    else:
        print_boot(boot, cpu_option(props), sys.stdout)
    return 1 if boot.problems else 0


if __name__ == "__main__":
    sys.exit(main())
