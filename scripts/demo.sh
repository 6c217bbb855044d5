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

scripts/show-reports.sh "$WINEPREFIX/drive_c/vastrel" drive_c/vastrel

# The same cycle with the Windows build, vastrel.exe, under Wine.
if command -v wine >/dev/null && command -v wineboot >/dev/null; then
  scripts/install-deps.sh g++-mingw-w64-x86-64-posix >&2
  cmake --preset mingw >/dev/null
  cmake --build build/mingw >/dev/null
  scripts/demo-wine.sh "$PWD/build/mingw/app/vastrel.exe"
else
  echo "== wine is not installed: the run of vastrel.exe under Wine is left out"
fi
