#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Merges gcov's JSON output of the driver objects of both unit binaries into one line
coverage figure per driver source file and in total."""
import collections
import gzip
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DRIVER_DIRS = ("framework/", "cfgbuf/", "heap/", "debug/", "processor/", "ioapic/", "variants/")


def main():
    build = os.path.abspath(sys.argv[1])
    lines = collections.defaultdict(dict)  # file -> line -> hit
    gcdas = []
    # The test objects count too: inline driver code (headers) may be emitted in them.
    for top, _, files in os.walk(build):
        gcdas += [os.path.join(top, f) for f in files if f.endswith(".gcda")]
    with tempfile.TemporaryDirectory() as tmp:
        for gcda in gcdas:
            subprocess.run(["gcov", "--json-format", "--object-directory", os.path.dirname(gcda), gcda],
                           cwd=tmp, check=True, stdout=subprocess.DEVNULL)
            for name in os.listdir(tmp):
                with gzip.open(os.path.join(tmp, name)) as f:
                    data = json.load(f)
                os.remove(os.path.join(tmp, name))
                for entry in data["files"]:
                    path = os.path.relpath(os.path.abspath(os.path.join(data.get("current_working_directory", ""), entry["file"])), ROOT)
                    if not path.startswith(DRIVER_DIRS):
                        continue
                    for line in entry["lines"]:
                        n = line["line_number"]
                        lines[path][n] = lines[path].get(n, False) or line["count"] > 0
    total = hit = 0
    for path in sorted(lines):
        n, h = len(lines[path]), sum(lines[path].values())
        total, hit = total + n, hit + h
        missed = sorted(k for k, v in lines[path].items() if not v)
        print("%-34s %5.1f%% of %4d lines%s" % (path, 100.0 * h / n, n,
                                                "  missed: " + ",".join(map(str, missed[:12])) if missed else ""))
    print("%-34s %5.1f%% of %4d lines" % ("total", 100.0 * hit / max(total, 1), total))


if __name__ == "__main__":
    main()
