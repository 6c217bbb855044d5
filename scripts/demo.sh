#!/usr/bin/env bash
# Builds vastrel and runs its main job on a demonstration Wine prefix that this
# script makes: capture, a scripted installation, comparison, the reports.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake ninja-build g++ libgtest-dev >&2

cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASTREL_TESTS=OFF >/dev/null
cmake --build build/demo >/dev/null
vastrel="$PWD/build/demo/app/vastrel"

export WINEPREFIX="${DEMO_PREFIX:-$(mktemp -d /tmp/vastrel-demo-XXXXXX)}"
scripts/make-demo-prefix.sh "$WINEPREFIX"
unset WINDIR ProgramFiles

echo "== vastrel -c on $WINEPREFIX"
"$vastrel" -c </dev/null | tr -d '\b'

scripts/demo-install.sh "$WINEPREFIX"

echo "== vastrel -d"
"$vastrel" -d </dev/null | tr -d '\b'

for report in "$WINEPREFIX"/drive_c/vastrel/*.{reg,txt,ini}; do
  [ -f "$report" ] || continue
  case "$report" in */cpy_*) continue ;; esac
  [ -s "$report" ] || continue
  echo "== ${report#$WINEPREFIX/}"
  tr -d '\r' <"$report"
done
