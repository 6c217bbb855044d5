#!/usr/bin/env bash
# Times the Windows build under Wine against what Wine's own registry editor
# takes to export the registry: on a fresh prefix, `wine vastrel.exe -c`,
# `wine vastrel.exe -d` (nothing changed) and `wine regedit /E`, interleaved,
# several rounds, and prints the medians and the ratios to regedit's time, in
# wall-clock time and in processor time (the program's and the Wine server's,
# which does the work of every registry call). Absolute times under Wine
# swing from run to run and machine to machine; the ratios hold, and those of
# processor time best on a machine that other work shares.
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
server=
for process in /proc/[0-9]*; do
  case $(cat "$process/comm" 2>/dev/null) in
    wineserver*) tr '\0' '\n' 2>/dev/null <"$process/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$process ;;
  esac
done
[ -n "$server" ] || { echo "no Wine server runs for $WINEPREFIX" >&2; exit 1; }
ticks=$(getconf CLK_TCK)
results="$work/results"
: >"$results"

# The processor time the Wine server has taken so far, in clock ticks.
server_ticks() { awk '{ print $14 + $15 }' "$server/stat"; }

# run <name> <expected output> <command...>: one timed run, which must end
# well and print what is expected (if anything); appends "name wall cpu":
# wall-clock seconds, and processor seconds of the program and of the Wine
# server, which does every registry call's work. On a machine that other
# work shares, processor time swings less than wall-clock time.
run() {
  local name=$1 expect=$2 status=0 TIMEFORMAT='%U %S'
  shift 2
  local before start=$EPOCHREALTIME
  before=$(server_ticks)
  { time "$@" </dev/null >"$work/output.txt" 2>&1; } 2>"$work/cpu.txt" || status=$?
  local end=$EPOCHREALTIME after
  after=$(server_ticks)
  if [ "$status" -ne 0 ] || { [ -n "$expect" ] && ! grep -q -- "$expect" "$work/output.txt"; }; then
    echo "$name failed:" >&2
    cat "$work/output.txt" >&2
    exit 1
  fi
  awk -v name="$name" -v start="$start" -v end="$end" -v server=$((after - before)) -v ticks="$ticks" \
    '{ printf "%s %.4f %.4f\n", name, end - start, $1 + $2 + server / ticks }' "$work/cpu.txt" >>"$results"
}

# median <name> <field>: field 2 wall-clock seconds, 3 processor seconds.
median() {
  awk -v name="$1" -v field="$2" '$1 == name { print $field }' "$results" | sort -g |
    awk '{ v[n++] = $1 } END { print (n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2) }'
}

for ((round = 1; round <= runs; ++round)); do
  # By its path, so that it runs as the shell's child (as vastrel.exe does),
  # not through start.exe, and its processor time is counted.
  run regedit "" wine 'C:\windows\regedit.exe' /E 'C:\export.reg'
  [ -s "$WINEPREFIX/drive_c/export.reg" ] || { echo "regedit /E wrote nothing" >&2; exit 1; }
  run capture "Captured Registry" wine "$exe" -c
  run compare "Compared INI File" wine "$exe" -d
  if [ -n "$earlier" ]; then
    run earlier-capture "Captured Registry" wine "$earlier" -c
    run earlier-compare "Compared INI File" wine "$earlier" -d
  fi
done

keys=$(iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/export.reg" | grep -c '^\[' || true)
echo "on a fresh Wine prefix ($(wine --version)), medians of $runs round(s), in seconds:"
echo "                                wall-clock  processor (program and Wine server)"
line() { printf "  %-30s %9.3f  %9.3f%s\n" "$1" "$(median "$2" 2)" "$(median "$2" 3)" "${3:-}"; }
ratio() {
  awk -v label="$1" -v w="$(median "$2" 2)" -v p="$(median "$2" 3)" -v rw="$(median regedit 2)" \
    -v rp="$(median regedit 3)" 'BEGIN { printf "  %-30s %9.2f  %9.2f\n", label, w / rw, p / rp }'
}
line "wine regedit /E" regedit "  ($keys keys of HKEY_LOCAL_MACHINE and HKEY_USERS)"
for build in "" ${earlier:+earlier-}; do
  of=${build:+" (earlier)"}
  line "wine vastrel.exe -c$of" "${build}capture"
  line "wine vastrel.exe -d$of" "${build}compare"
  ratio "-c / regedit /E$of" "${build}capture"
  ratio "-d / regedit /E$of" "${build}compare"
done
