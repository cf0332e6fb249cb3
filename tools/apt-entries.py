#!/usr/bin/env python3
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Prints deb822 apt source entries derived from the machine's own enabled "deb" entries,
in both apt source formats, so that no host name is ever written by the project.

  apt-entries.py --types deb-src CODENAME       source twins of CODENAME's suites
  apt-entries.py --types "deb deb-src" --as trixie CODENAME
      the entries of CODENAME's main suite, for another release (TARGET), both types"""
import argparse
import glob

parser = argparse.ArgumentParser()
parser.add_argument("--types", required=True)
parser.add_argument("--as", dest="target", help="another release: only the main suite, renamed")
parser.add_argument("codename")
args = parser.parse_args()
codename = args.codename
stanzas = []
stanzas = []
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for block in open(path).read().split("\n\n"):
        fields, name = {}, None
        for line in block.splitlines():
            if not line or line.startswith("#"):
                continue
            if line[0].isspace() and name:  # a folded value, such as an inline key
                fields[name] += "\n" + line
            elif ":" in line:
                name, _, value = line.partition(":")
                name = name.strip()
                fields[name] = value.strip()
        if fields.get("Enabled", "yes") != "no" and "deb" in fields.get("Types", "").split():
            stanzas.append(fields)
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        words = line.split("#")[0].split()
        if len(words) >= 4 and words[0] == "deb":
            options = {}
            if words[1].startswith("["):
                while not words[1].endswith("]"):
                    words[1:3] = [words[1] + " " + words[2]]
                for item in words[1].strip("[]").split():
                    name, _, value = item.partition("=")
                    options[name] = value
                words.pop(1)
            entry = {"URIs": words[1], "Suites": words[2], "Components": " ".join(words[3:])}
            if "signed-by" in options:
                entry["Signed-By"] = options["signed-by"]
            stanzas.append(entry)
for fields in stanzas:
    suites = [s for s in fields.get("Suites", "").split() if s.split("-")[0] == codename]
    if args.target:
        suites = [args.target] if codename in suites else []
    if not suites:
        continue
    out = {"Types": args.types, "URIs": fields["URIs"], "Suites": " ".join(suites),
           "Components": fields.get("Components", "main")}
    if "Signed-By" in fields:
        out["Signed-By"] = fields["Signed-By"]
    print("\n".join(f"{k}: {v}" for k, v in out.items()) + "\n")
