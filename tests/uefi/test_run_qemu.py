# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The runner's verdict without QEMU: what counts as a pass, and that a hung or faulting
boot never does."""

import importlib.util
import contextlib
import io
import os
import sys
import tempfile
import unittest

_spec = importlib.util.spec_from_file_location("run_qemu", os.path.join(os.path.dirname(__file__), "run-qemu.py"))
run_qemu = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(run_qemu)


def boot_with(lines, expect_trap=None, **kw):
    boot = run_qemu.Boot(label="m70,m60", timeout=60, results=lines, **kw)
    run_qemu.judge(boot, expect_trap)
    return boot


GOOD = ["@@ BEGIN order=m70,m60", "@@ INFO cpuid", "@@ PASS m70.load", "@@ PASS m70.entry", "@@ DONE"]


TRAPPED = ["@@ BEGIN round=m70,m60:fail-heap-install", "@@ PASS pcd.setup", "@@ INFO starting r1.m70"]
HUNG = {"timed_out": True, "returncode": -9}
TRAP = {"trap": 0x80225, "returncode": 0x4B}  # the code traced on port 0x80; isa-debug-exit's exit


class Verdict(unittest.TestCase):
    def test_what_passes_and_what_fails(self):
        last = "@@ INFO starting r1.m70 (SocDxeM70) at 0x1000"
        cases = [  # lines, the boot's exit, the trap expected, the problems
            (GOOD, {}, None, []),
            (GOOD[:3] + ["@@ FAIL m70.entry: StartImage returned EFI_UNSUPPORTED"] + GOOD[3:], {}, None,
             ["1 check(s) failed"]),
            (GOOD[:-1], {}, None,
             ["no DONE line: the application did not finish", "last line from the application: @@ PASS m70.entry"]),
            (["@@ BEGIN order=m70", "@@ INFO x", "@@ DONE"], {}, None, ["no check passed"]),
            (GOOD[1:], {}, None, ["the test application never reported BEGIN"]),
            (["@@ BEGIN x", "@@ DONE", "@@ PASS late"], {}, None, ["no check passed"]),  # after DONE
            (GOOD, HUNG, None, ["QEMU: killed after 60 s (hung boot)"]),
            (GOOD, {"exception": "X64 Exception Type - 0D"}, None,
             ["QEMU: CPU exception in the guest (X64 Exception Type - 0D)"]),
            (GOOD, {"returncode": 1}, None, ["QEMU: exit code 1"]),
            (GOOD[:2] + [last], HUNG, None, ["QEMU: killed after 60 s (hung boot)", "no check passed",
                                              "no DONE line: the application did not finish",
                                              "last line from the application: " + last]),
            (TRAPPED, {"returncode": 91}, None, ["QEMU: exit code 91: the error trap wrote 0xDEAD to port 0xE0",
                                    "no DONE line: the application did not finish",
                                    "last line from the application: @@ INFO starting r1.m70"]),
            (TRAPPED, TRAP, 0x80225, []),
            (TRAPPED + ["@@ DONE"], {}, 0x80225, ["expected the error trap 0x00080225 to end the boot, but QEMU: "
                                                    "powered off by the application", "the application finished: nothing trapped"]),
            (TRAPPED, HUNG, 0x80225, ["expected the error trap 0x00080225 to end the boot, but QEMU: killed after 60 s "
                                     "(hung boot)"]),
            (TRAPPED, {"trap": 0x20910056}, 0x80225, ["expected the error trap 0x00080225 to end the boot, but "
                                                      "QEMU: the error trap wrote 0xDEAD to port 0xE0 and "
                                                      "0x20910056 to port 0x80"]),
            (TRAPPED + ["@@ FAIL r1.m70.load: x"], TRAP, 0x80225, ["1 check(s) failed"]),
        ]
        for lines, exit, expect_trap, problems in cases:
            self.assertEqual(boot_with(lines, expect_trap, **exit).problems, problems, (lines, exit))
        self.assertEqual(run_qemu.TRAP_EXIT, 91)
        trace = "".join("memory_region_ops_write cpu 0 mr 0x1 addr 0x%x value 0x%x size %d name '%s'\n" % w for w in [
            (0x402, 0x41, 1, "io"), (0xE0, 0xDEAD, 2, "io"), (0x80, 0x20910056, 4, "isa-debug-exit")])
        self.assertEqual(run_qemu.trap_code(trace), 0x20910056)
        self.assertIsNone(run_qemu.trap_code(trace.replace("0xdead", "0xdeae")))


class DebugLog(unittest.TestCase):
    """The strict firmware's log: faults count from the application's load on."""
    LOG = ["Loading driver at 0x0000F9F6000 EntryPoint=0x0000F9F7000 DxeCore.efi",
           "ConvertPages: failed to find range 140000000 - 140016FFF",
           "Loading driver at 0x0000BA4C000 EntryPoint=0x0000BA4D000 SocUefiTestApp.efi",
           "Loading driver at 0x0000BA3A000 EntryPoint=0x0000BA3B863 SocDxeM70.efi",
           "InstallProtocolInterface: AF62673D-DEDA-43AE-8F03-9C2D89FD78DA BA40000",
           "Loading driver at 0x0000BA22000 EntryPoint=0x0000BA23863 SocDxeM60.efi"]

    def problems(self, lines):
        boot = run_qemu.Boot(label="x", timeout=1)
        run_qemu.judge_log(boot, "\n".join(lines), "SocUefiTestApp.efi", ["SocDxeM70.efi", "SocDxeM60.efi"])
        return boot.problems

    def test_clean_log_passes_whatever_came_before_the_application(self):
        self.assertEqual(self.problems(self.LOG), [])

    def test_each_fault_fails(self):
        for line, what in [("ASSERT [DxeCore] Pool.c(720): Head->Signature == POOL_HEAD_SIGNATURE", "an ASSERT"),
                           ("!!!! X64 Exception Type - 0E(#PF - Page-Fault)  CPU Apic ID - 00000000 !!!!",
                            "a CPU exception"),
                           ("ConvertPages: Incompatible memory types, the pages to free have been freed",
                            "a page conversion error"),
                           ("AllocatePool: failed to allocate 4096 bytes", "a pool error")]:
            self.assertEqual(self.problems(self.LOG + [line]), [f"debug log: {what}: {line}"])

    def test_a_platform_that_loads_the_drivers_is_judged_from_their_load_on(self):
        fault = "ASSERT [PcdDxe] Service.c(411): TokenNumber + 1 < mPcdTotalTokenCount + 1"
        boot = run_qemu.Boot(label="x", timeout=1)
        log = self.LOG[:2] + [self.LOG[3], fault, self.LOG[5], self.LOG[2]]
        run_qemu.judge_log(boot, "\n".join(log), "SocUefiTestApp.efi", ["SocDxeM70.efi", "SocDxeM60.efi"], True)
        self.assertEqual(boot.problems, [f"debug log: an ASSERT: {fault}"])

    def test_anonymous_or_missing_images_fail(self):
        anonymous = self.LOG[:3] + ["Loading driver at 0x0000BA3A000 EntryPoint=0x0000BA3B863 "] + self.LOG[4:]
        self.assertEqual(self.problems(anonymous), ["debug log: no 'Loading driver at ... SocDxeM70.efi' line"])
        self.assertEqual(self.problems(self.LOG[:2]), ["debug log: no 'Loading driver at ... SocUefiTestApp.efi' line"])


class ConsoleParsing(unittest.TestCase):
    def test_escapes_and_noise_are_dropped(self):
        raw = (b"\x1b[2J\x1b[01;01H\x1b[=3h\x1b[2J\x1b[01;01HBdsDxe: loading Boot0002\r\n"
               b"\r\n@@ BEGIN order=m70,m60\r\n\x1b[0m\x1b[37m\x1b[40m@@ PASS m70.load\r\n@@ DONE\r\n")
        lines = run_qemu.console_lines(raw)
        self.assertIn("BdsDxe: loading Boot0002", lines)
        self.assertEqual(run_qemu.result_lines(lines), ["@@ BEGIN order=m70,m60", "@@ PASS m70.load", "@@ DONE"])

    def test_marker_after_driver_text_on_the_same_line(self):
        self.assertEqual(run_qemu.result_lines(["_STR hello @@ PASS m60.entry  "]), ["@@ PASS m60.entry"])

    def test_lookalikes_are_not_results(self):
        self.assertEqual(run_qemu.result_lines(["@@", "@@ ", "@@ pass lower", "x@@y"]), [])


class Scenario(unittest.TestCase):
    def test_signature_as_qemu_builds_it(self):
        self.assertEqual(run_qemu.cpu_signature(25, 0x75, 2), 0x00A70F52)
        self.assertEqual(run_qemu.cpu_signature(25, 0x61, 2), 0x00A60F12)
        self.assertEqual(run_qemu.cpu_signature(23, 0x71, 0), 0x00870F10)
        self.assertEqual(run_qemu.cpu_signature(6, 0x3A, 9), 0x000306A9)

    def test_cpu_properties(self):
        want = {"family": 25, "model": 0x75, "stepping": 2}
        self.assertEqual(run_qemu.parse_cpu("family=25,model=0x75,stepping=2"), want)
        self.assertEqual(run_qemu.parse_cpu("19/75/2"), want)
        self.assertEqual(run_qemu.cpu_option(want), "qemu64,family=25,model=117,stepping=2")
        for bad in ("family", "19/75", "19/xx/2"):
            with self.assertRaises(ValueError):
                run_qemu.parse_cpu(bad)

    def test_build_tree_defaults(self):
        opts = run_qemu.parse_options(["--build", "b", "--cpu", "19/61/2"])
        self.assertEqual(opts.app, os.path.join("b", "tests", "uefi", "SocUefiTestApp.efi"))
        self.assertEqual(opts.images, [("m70", os.path.join("b", "SocDxeM70.efi")),
                                       ("m60", os.path.join("b", "SocDxeM60.efi"))])
        self.assertEqual([r.order for r in opts.rounds], [("m70", "m60"), ("m60", "m70")])
        self.assertEqual([r.order for r in run_qemu.parse_options(["--build", "b", "--report"]).rounds], [("m70", "m60")])
        self.assertEqual(run_qemu.qemu_option_value("a,b"), "a,,b")

    def test_scenario_record_as_the_application_reads_it(self):
        opts = run_qemu.parse_options(["--build", "b", "--scenario", "pcd_hidden", "--report"])
        self.assertEqual(opts.cpu, "19/75/2")
        record = run_qemu.scenario_record(opts, 0x00A70F52)
        self.assertEqual(len(record), 12 + 4 * 8)
        self.assertEqual(record[:12], b"SCN1" + bytes([0x52, 0x0F, 0xA7, 0, 2, 1, 0, 0]))
        # Images 1 (m70) and 2 (m60) in start order, load (0), PCD hidden (1) or EFI PCD
        # hidden (2), the first heap-list install failing (flag 1); unused rounds zero.
        self.assertEqual(record[12:28], bytes([1, 2, 0, 0, 0, 1, 1, 0, 2, 1, 0, 0, 0, 2, 1, 0]))
        self.assertEqual(record[28:], bytes(16))
        opts = run_qemu.parse_options(["--build", "b", "--scenario", "family19_75_2"])
        self.assertEqual(run_qemu.scenario_record(opts, 0)[12:20], bytes([1, 2, 0, 0, 3, 4, 2, 0]))
        # A firmware that could not be fetched: its tests end with the fetch's one line.
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(work, "ovmf-unstable.failed"), "w") as failed:
                failed.write("newest-ovmf: could not be fetched: no network\n")
            out, run_qemu.EDK2_OUT = run_qemu.EDK2_OUT, work
            try:
                with contextlib.redirect_stderr(io.StringIO()) as err:
                    self.assertEqual(run_qemu.main(["--build", work, "--firmware", "unstable"]), 2)
            finally:
                run_qemu.EDK2_OUT = out
            self.assertEqual(err.getvalue(), "newest-ovmf: could not be fetched: no network\n")
        for bad in (["--scenario", "pcd_hiden"], ["--order", "m70,m80"], ["--scenario", "trap_armed", "--order", "m70"]):
            with self.assertRaises(SystemExit, msg=bad), contextlib.redirect_stderr(io.StringIO()) as err:
                run_qemu.parse_options(["--build", "b"] + bad)
            self.assertIn("pcd_hidden" if bad[1] == "pcd_hiden" else "", err.getvalue())


def fake_qemu(script):
    return [sys.executable, "-c", "import sys, time\n" + script]


class ProcessHandling(unittest.TestCase):
    """A stand-in for QEMU shows how the runner waits, kills and collects."""

    def run_fake(self, script, timeout=2.0, log_path=None):
        boot = run_qemu.Boot(label="fake", timeout=timeout)
        out, err = run_qemu.run_qemu(fake_qemu(script), boot, log_path=log_path)
        return boot, out, err

    def test_exit_is_collected(self):
        boot, out, err = self.run_fake("print('@@ DONE'); sys.stderr.write('warn'); sys.exit(3)")
        self.assertEqual((boot.returncode, boot.timed_out, boot.exception), (3, False, None))
        self.assertEqual(out.strip(), b"@@ DONE")
        self.assertEqual(err, b"warn")

    def test_hang_is_killed_and_keeps_its_output(self):
        boot, out, _ = self.run_fake("print('@@ BEGIN x', flush=True); time.sleep(30)", timeout=1.0)
        self.assertTrue(boot.timed_out)
        self.assertIn(b"@@ BEGIN x", out)

    def test_exception_stops_the_boot_early(self):
        script = ("sys.stdout.write('!!!! X64 Exception Type - 0'); sys.stdout.flush(); time.sleep(0.2)\n"
                  "print('D(#GP - General Protection)  CPU Apic ID - 00000000 !!!!', flush=True); time.sleep(30)")
        boot, _, _ = self.run_fake(script, timeout=20.0)
        self.assertFalse(boot.timed_out)
        self.assertEqual(boot.exception, "X64 Exception Type - 0D(#GP - General Protection)  CPU Apic ID - 00000000")

    def test_assert_in_the_debug_log_stops_the_boot_early(self):
        with tempfile.TemporaryDirectory() as work:
            log = os.path.join(work, "debug.log")
            script = f"open({log!r}, 'w').write('ASSERT [DxeCore] x.c(1): FALSE\\n'); time.sleep(30)"
            boot, _, _ = self.run_fake(script, timeout=20.0, log_path=log)
        self.assertEqual((boot.timed_out, boot.exception), (False, "ASSERT in the firmware's debug log"))


if __name__ == "__main__":
    unittest.main()
