#!/usr/bin/env bash
# Runs every fuzz target of a VASTREL_FUZZ build for a while, starting from
# its seed corpus in fuzz/corpus/<target>. New inputs go to a scratch folder,
# so the committed corpus stays as it is; a finding is kept in the build
# folder as crash-*/timeout-*/leak-* and fails the run.
#   scripts/fuzz.sh <build folder> <seconds per target> [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
seconds="$2"
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(pattern ini_compare wine_registry registry_snapshot dir_snapshot)
fi
for target in "${targets[@]}"; do
  fuzzer="$build/fuzz/${target}_fuzzer"
  if [ ! -x "$fuzzer" ]; then
    echo "== $target: not built, skipped"
    continue
  fi
  scratch="$(mktemp -d)"
  echo "== $target: ${seconds}s"
  log="$build/fuzz/$target.log"
  status=0
  "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/${target}-" "$scratch" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  rm -rf "$scratch"
  grep -E "^#[0-9]+.*DONE|^stat::number_of_executed_units" "$log" || true
  if [ "$status" -ne 0 ]; then
    echo "== $target: the fuzzer found a fault (status $status); the end of $log:"
    tail -40 "$log"
    exit 1
  fi
done
