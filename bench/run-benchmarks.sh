#!/usr/bin/env bash
# Times vastrel on large generated prefixes against what any program needs
# to do the same work: `find` stat-ing every entry of the trees and `cat`
# reading the registry files. Each system is made at a tenth of its size
# and at full size; on each, `vastrel -c`, `vastrel -d` with nothing
# changed and `vastrel -d` after a scripted installation run several times
# each, beside the baseline, and the medians go into one table.
#
#   bench/run-benchmarks.sh [-r runs] [-b reference-vastrel] [-k kinds] [-x exe]
#
#   -r runs   runs of every command (5)
#   -b exe    a vastrel built from earlier code: it runs on the same systems
#             and its snapshots, reports and console output must be the
#             same, byte for byte
#   -k kinds  which systems, of: registry flat wide deep ini (all)
#   -x exe    time this vastrel instead of the one built from this tree
#
# Needs /usr/bin/time (Debian's `time`). Generated systems live in a
# temporary folder that is removed at the end.
set -euo pipefail
export LC_ALL=C

source_dir=$(cd "$(dirname "$0")/.." && pwd)
runs=5
reference=
kinds="registry flat wide deep ini"
measured=
while getopts "r:b:k:x:" option; do
  case $option in
    r) runs=$OPTARG ;;
    b) reference=$(realpath "$OPTARG") ;;
    k) kinds=$OPTARG ;;
    x) measured=$(realpath "$OPTARG") ;;
    *) sed -n 2,17p "$0" | cut -c3-; exit 2 ;;
  esac
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)"; exit 2; }

build=${BENCH_BUILD:-"$source_dir/build/release"}  # any Release build folder of this tree
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target vastrel make_bench_system -- -j2 >/dev/null
vastrel=${measured:-"$build/app/vastrel"}
generate="$build/bench/make_bench_system"

work=$(mktemp -d "${TMPDIR:-/tmp}/vastrel-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
unset WINDIR ProgramFiles
results="$work/results"
: >"$results"

# run <name> <command...>: one timed run; appends "name seconds cpu peak-KB".
run() {
  local name=$1
  shift
  local start=$EPOCHREALTIME
  /usr/bin/time -v -o "$work/time.txt" "$@" </dev/null >"$work/stdout.txt" 2>&1
  local end=$EPOCHREALTIME
  awk -v name="$name" -v start="$start" -v end="$end" '
    /User time/ { cpu += $NF } /System time/ { cpu += $NF }
    /Maximum resident set size/ { peak = $NF }
    END { printf "%s %.4f %.4f %d\n", name, end - start, cpu, peak }' "$work/time.txt" >>"$results"
}

# median <name> <field>: field 2 wall seconds, 3 processor seconds, 4 peak KB.
median() {
  awk -v name="$1" -v field="$2" '$1 == name { print $field }' "$results" | sort -g |
    awk '{ v[n++] = $1 } END { if (!n) print "nan"; else print (n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2) }'
}

# baseline <key> <prefix> <kind>: one run of what bounds the work from below.
baseline() {
  local key=$1 prefix=$2 kind=$3
  if [ "$kind" = registry ] || [ "$kind" = ini ]; then
    run "$key-base" cat "$prefix/system.reg" "$prefix/user.reg" "$prefix/userdef.reg" \
      "$prefix/drive_c/windows/win.ini"
  else
    run "$key-base" find "$prefix/drive_c/windows" "$prefix/drive_c/Program Files" \
      -printf '%p %s %m %A@ %T@\n'
  fi
}

# What a comparison leaves for the user: its reports and its console output.
# (The snapshots hold the files' access times, which differ from run to run.)
outputs() {
  (shopt -s nullglob && cd "$1/drive_c/vastrel" && sha256sum -- *.reg *.txt *_*.ini && sha256sum <"$work/stdout.txt") |
    sha256sum | cut -c1-12
}

same_as_reference() {
  local prefix=$1 option=$2 label=$3
  [ -n "$reference" ] || return 0
  mkdir -p "$work/ours"
  rm -rf "$work/ours"/*
  cp -p "$prefix/drive_c/vastrel"/* "$work/ours/"
  WINEPREFIX=$prefix "$vastrel" "$option" </dev/null >"$work/ours.console"
  WINEPREFIX=$prefix "$reference" "$option" </dev/null >"$work/theirs.console"
  local verdict=same
  cmp -s "$work/ours.console" "$work/theirs.console" || verdict="console differs"
  for file in "$work/ours"/*; do
    cmp -s "$file" "$prefix/drive_c/vastrel/$(basename "$file")" || verdict="$(basename "$file") differs"
  done
  # Whatever the reference wrote, the next step goes on from ours.
  cp -p "$work/ours"/* "$prefix/drive_c/vastrel/"
  echo "$label $verdict" >>"$work/verdicts"
  [ "$verdict" = same ]
}

declare -A counts=([registry]="10000 100000" [flat]="10000 100000" [wide]="10000 100000"
                   [deep]="10000 100000" [ini]="5000 50000")
: >"$work/verdicts"
for kind in $kinds; do
  for count in ${counts[$kind]}; do
    prefix="$work/$kind-$count"
    key="$kind-$count"
    echo "making $key" >&2
    "$generate" "$kind" "$count" "$prefix"
    sync  # the generator's writes go to disk before anything is timed, not beside it
    export WINEPREFIX=$prefix
    for ((i = 0; i < runs; ++i)); do
      baseline "$key" "$prefix" "$kind"
      run "$key-c" "$vastrel" -c
    done
    du -b -c "$prefix"/*.reg | tail -1 | cut -f1 >"$work/$key.regbytes"
    same_as_reference "$prefix" -c "$key capture" || true
    for ((i = 0; i < runs; ++i)); do
      baseline "$key" "$prefix" "$kind"
      run "$key-same" "$vastrel" -d
    done
    same_as_reference "$prefix" -d "$key unchanged" || true
    "$generate" "$kind" "$count" "$prefix" --install
    sync
    for ((i = 0; i < runs; ++i)); do
      baseline "$key" "$prefix" "$kind"
      run "$key-inst" "$vastrel" -d
    done
    same_as_reference "$prefix" -d "$key installed" || true
    outputs "$prefix" >"$work/$key.digest"
    rm -rf "$prefix"
  done
done

cpu_model=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)
echo
echo "Machine: $cpu_model, $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo)" \
  "of memory, $(uname -sr); medians of $runs runs, wall-clock seconds."
echo
echo "| system | size | baseline | -c | -d unchanged | -d installed | -c / baseline | -d / baseline | peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
for kind in $kinds; do
  for count in ${counts[$kind]}; do
    key="$kind-$count"
    base=$(median "$key-base" 2)
    c=$(median "$key-c" 2)
    same=$(median "$key-same" 2)
    inst=$(median "$key-inst" 2)
    peak=$(awk -v n="$key" '$1 ~ "^" n "-(c|same|inst)$" && $4 > m { m = $4 } END { printf "%.0f MB", m / 1024 }' "$results")
    case $kind in
      registry) size=$(awk '{ printf "%.1f MB of text", $1 / 1e6 }' "$work/$key.regbytes") ;;
      flat) size="$count files, 1 folder" ;;
      wide) size="$count files, $((count / 10)) folders" ;;
      deep) size="$count files, $((count / 500)) levels" ;;
      ini) size="$count entries, $((count / 100)) sections" ;;
    esac
    [ "$kind" = registry ] || [ "$kind" = ini ] && what=cat || what=find
    awk -v k="$kind" -v size="$size" -v what="$what" -v b="$base" -v c="$c" -v s="$same" -v i="$inst" \
      -v peak="$peak" 'BEGIN {
        printf "| %s | %s | %s %.3f | %.3f | %.3f | %.3f | %.1f | %.1f | %s |\n",
          k, size, what, b, c, s, i, c / b, i / b, peak }'
  done
done

echo
echo "Targets (at full size; ratios within this run):"
# check <label> <value> <limit> <sense> [<value in processor time>]
check() { awk -v label="$1" -v value="$2" -v limit="$3" -v sense="$4" -v cpu="${5:-}" 'BEGIN {
  ok = sense == "<=" ? value <= limit : value >= limit
  printf "  %-52s %8.2f  %s %-6s %-7s%s\n", label, value, sense, limit, ok ? "met" : "MISSED",
    cpu == "" ? "" : cpu ~ /^[0-9]/ ? sprintf(" (processor time: %.2f)", cpu) : " (processor time: " cpu ")" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "n/a"; else print a / b }'; }
for kind in $kinds; do
  case $kind in
    flat | wide | deep)
      base=$(median "$kind-100000-base" 2)
      cpu=$(median "$kind-100000-base" 3)
      check "$kind: capture / find" "$(ratio "$(median "$kind-100000-c" 2)" "$base")" 1.5 "<=" \
        "$(ratio "$(median "$kind-100000-c" 3)" "$cpu")"
      check "$kind: comparison after installing / find" "$(ratio "$(median "$kind-100000-inst" 2)" "$base")" 2 "<=" \
        "$(ratio "$(median "$kind-100000-inst" 3)" "$cpu")"
      ;;
    registry)
      bytes=$(cat "$work/registry-100000.regbytes")
      c=$(median registry-100000-c 2)
      cpu=$(median registry-100000-c 3)
      check "registry: capture, MB of text per second" "$(ratio "$bytes" "$c" | awk '{ print $1 / 1e6 }')" 100 ">=" \
        "$(ratio "$bytes" "$cpu" | awk '{ print $1 / 1e6 }')"
      check "registry: comparison after installing / capture" "$(ratio "$(median registry-100000-inst 2)" "$c")" 2 "<=" \
        "$(ratio "$(median registry-100000-inst 3)" "$cpu")"
      peak=$(awk '$1 ~ /^registry-100000-/ && $4 > m { m = $4 } END { print m * 1024 }' "$results")
      check "registry: peak memory / registry files" "$(ratio "$peak" "$bytes")" 3 "<="
      ;;
    ini)
      check "ini: comparison of 50000 entries, seconds" "$(median ini-50000-inst 2)" 1 "<=" "$(median ini-50000-inst 3)"
      ;;
  esac
  small=${counts[$kind]%% *}
  large=${counts[$kind]##* }
  for step in c same inst; do
    case $step in c) what="capture" ;; same) what="comparison, nothing changed" ;; inst) what="comparison, installed" ;; esac
    check "$kind: ten times the entries, $what time grows" \
      "$(ratio "$(median "$kind-$large-$step" 2)" "$(median "$kind-$small-$step" 2)")" 12 "<=" \
      "$(ratio "$(median "$kind-$large-$step" 3)" "$(median "$kind-$small-$step" 3)")"
  done
  if [ "$kind" = wide ]; then
    # The walk holds one listing per level, whatever the number of folders.
    # The capture adds the snapshot writer's window, of at most 8 MB, which
    # the larger snapshot fills and the smaller one need not.
    check "wide: comparison's peak memory, 10000 / 1000 folders" \
      "$(ratio "$(median wide-100000-inst 4)" "$(median wide-10000-inst 4)")" 1.2 "<="
    check "wide: capture's peak memory, 10000 less 1000 folders, MB" \
      "$(awk -v a="$(median wide-100000-c 4)" -v b="$(median wide-10000-c 4)" 'BEGIN { print (a - b) / 1024 }')" 8 "<="
  fi
done

echo
echo "Outputs (digest of the working folder after -d installed):"
for kind in $kinds; do
  for count in ${counts[$kind]}; do echo "  $kind-$count $(cat "$work/$kind-$count.digest")"; done
done
if [ -n "$reference" ]; then
  echo "Same as $reference:"
  sed 's/^/  /' "$work/verdicts"
  ! grep -qv ' same$' "$work/verdicts"
fi
