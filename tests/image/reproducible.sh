#!/usr/bin/env bash
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
# Builds the images twice more, each from scratch in a directory of its own (so that no
# path leaks into them), and compares both clean builds byte for byte with each other
# and with the images under test.
set -euo pipefail
src=$1 scratch=$2
shift 2
rm -rf "$scratch"
for n in 1 2; do
  # No compiler cache: each build must compile for itself.
  cmake -S "$src" -B "$scratch/clean-$n" -G Ninja --toolchain "$src/cmake/toolchain-x86_64-uefi.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DSOC_CCACHE=OFF >/dev/null
  cmake --build "$scratch/clean-$n" --target SocDxeM70 SocDxeM60 >/dev/null
done
failed=0
for image in "$@"; do
  name=$(basename "$image")
  if ! cmp -s "$scratch/clean-1/$name" "$scratch/clean-2/$name"; then
    echo "FAIL: $name differs between two clean builds"
    failed=1
  elif ! cmp -s "$image" "$scratch/clean-1/$name"; then
    echo "FAIL: $name under test differs from a clean build"
    failed=1
  else
    echo "identical: $name ($(stat -c %s "$image") bytes)"
  fi
done
rm -rf "$scratch"
exit $failed
