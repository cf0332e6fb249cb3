#!/usr/bin/env bash
# Builds the images again from scratch in another directory and compares them byte for
# byte with the images under test.
set -euo pipefail
src=$1 scratch=$2
shift 2
rm -rf "$scratch"
cmake -S "$src" -B "$scratch" -G Ninja --toolchain "$src/cmake/toolchain-x86_64-uefi.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch" --target SocDxeM70 SocDxeM60 >/dev/null
failed=0
for image in "$@"; do
  other="$scratch/$(basename "$image")"
  if cmp -s "$image" "$other"; then
    echo "identical: $(basename "$image") ($(stat -c %s "$image") bytes)"
  else
    echo "FAIL: $(basename "$image") differs between two clean builds"
    failed=1
  fi
done
rm -rf "$scratch"
exit $failed
