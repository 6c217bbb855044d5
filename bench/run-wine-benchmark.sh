#!/usr/bin/env bash
# Times the Windows build under Wine against what Wine's own registry editor
# takes to export the same registry: on a fresh prefix, `wine vastrel.exe -c`,
# `wine vastrel.exe -d` (nothing changed) and `wine regedit /E`, interleaved,
# several rounds, and prints the medians and the ratios to regedit's time.
# Absolute times under Wine swing from run to run and machine to machine; the
# ratios hold.
#
#   bench/run-wine-benchmark.sh [-r runs] [-x vastrel.exe] [-b earlier.exe]
#
#   -r runs   rounds (3); one round is a smoke run, with no timing worth keeping
#   -x exe    time this vastrel.exe instead of the one built from this tree
#   -b exe    time an earlier vastrel.exe too, in the same rounds
#
# The prefix and everything the runs write live in a temporary folder that
# is removed at the end.
set -euo pipefail
export LC_ALL=C

source_dir=$(cd "$(dirname "$0")/.." && pwd)
runs=3
exe=
earlier=
while getopts "r:x:b:" option; do
  case $option in
    r) runs=$OPTARG ;;
    x) exe=$(realpath "$OPTARG") ;;
    b) earlier=$(realpath "$OPTARG") ;;
    *) sed -n 2,15p "$0" | cut -c3-; exit 2 ;;
  esac
done
if [ -z "$exe" ]; then
  (cd "$source_dir" && cmake --preset mingw >/dev/null && cmake --build build/mingw --target vastrel -- -j2 >/dev/null)
  exe="$source_dir/build/mingw/app/vastrel.exe"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vastrel-wine-bench-XXXXXX")
export WINEPREFIX="$work/prefix" HOME="$work/home" TMPDIR="$work/tmp" WINEDEBUG=-all
# No Mono or Gecko installer, no menu entries, no windows.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY WINDIR ProgramFiles
mkdir -p "$HOME" "$TMPDIR"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

wineboot -i >/dev/null 2>&1
wineserver -w
# One server for every run, as on a system that is up: no run pays for
# starting it or for reading and writing the registry files.
wineserver -p
results="$work/results"
: >"$results"

# run <name> <expected output> <command...>: one timed run, which must end
# well and print what is expected (if anything); appends "name seconds".
run() {
  local name=$1 expect=$2
  shift 2
  local start=$EPOCHREALTIME
  if ! "$@" </dev/null >"$work/output.txt" 2>&1 || { [ -n "$expect" ] && ! grep -q -- "$expect" "$work/output.txt"; }; then
    echo "$name failed:" >&2
    cat "$work/output.txt" >&2
    exit 1
  fi
  local end=$EPOCHREALTIME
  awk -v name="$name" -v start="$start" -v end="$end" 'BEGIN { printf "%s %.4f\n", name, end - start }' >>"$results"
}

median() {
  awk -v name="$1" '$1 == name { print $2 }' "$results" | sort -g |
    awk '{ v[n++] = $1 } END { print (n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2) }'
}

for ((round = 1; round <= runs; ++round)); do
  run regedit "" wine regedit /E 'C:\export.reg'
  [ -s "$WINEPREFIX/drive_c/export.reg" ] || { echo "regedit /E wrote nothing" >&2; exit 1; }
  run capture "Captured Registry" wine "$exe" -c
  run compare "Compared INI File" wine "$exe" -d
  if [ -n "$earlier" ]; then
    run earlier-capture "Captured Registry" wine "$earlier" -c
    run earlier-compare "Compared INI File" wine "$earlier" -d
  fi
done

regedit=$(median regedit)
keys=$(iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/export.reg" | grep -c '^\[' || true)
echo "medians of $runs runs, wall-clock seconds, on a fresh Wine prefix ($(wine --version)):"
echo "  wine regedit /E          $regedit  ($keys keys of HKEY_LOCAL_MACHINE and HKEY_USERS)"
for build in "" ${earlier:+earlier-}; do
  capture=$(median "${build}capture") compare=$(median "${build}compare")
  label=${build:+", earlier build"}
  echo "  wine vastrel.exe -c      $capture$label"
  echo "  wine vastrel.exe -d      $compare$label"
  awk -v r="$regedit" -v c="$capture" -v d="$compare" -v label="$label" 'BEGIN {
    printf "  -c / regedit /E          %.2f%s\n  -d / regedit /E          %.2f%s\n", c / r, label, d / r, label }'
done
