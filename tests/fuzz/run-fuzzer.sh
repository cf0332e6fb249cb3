#!/usr/bin/env bash
# Copyright (c) 2026, SocDxePkg contributors.
# SPDX-License-Identifier: BSD-2-Clause-Patent
# Runs one libFuzzer target for a bounded time over its committed seeds.
# Usage: run-fuzzer.sh BINARY SEED_DIR WORK_DIR SECONDS [libFuzzer flags...]
# New inputs go to WORK_DIR/corpus, never into the committed seeds; a crashing input is
# left in WORK_DIR/artifacts and the run fails.
set -euo pipefail
binary=$1 seeds=$2 work=$3 seconds=$4
shift 4
name=$(basename "$binary")
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
status=0
start=$(date +%s)
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$@" "$work/corpus" "$seeds" >"$work/log" 2>&1 || status=$?
elapsed=$(( $(date +%s) - start ))
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 || true)
echo "$name: ${runs:-?} executions in ${elapsed} s (${cov:-cov: ?}), $(ls "$work/corpus" | wc -l) new inputs" | tee "$work/summary"
if [ "$status" -ne 0 ]; then
  tail -60 "$work/log"
  echo "$name: FAILED (status $status); inputs in $work/artifacts"
  exit 1
fi
