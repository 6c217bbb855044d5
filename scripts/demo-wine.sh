#!/usr/bin/env bash
# The demonstration under Wine: vastrel.exe (the Windows build, given as the
# argument) in a fresh Wine prefix of its own: capture, an installation made
# with Wine's own tools, comparison, the reports. Wine re-stamps a few keys
# of its own on every start; they show up in the reports as changes too.
set -euo pipefail
cd "$(dirname "$0")/.."
exe="$1"
root="$(mktemp -d /tmp/vastrel-wine-demo-XXXXXX)"
export WINEPREFIX="$root/prefix" HOME="$root/home" TMPDIR="$root/tmp"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY WINDIR ProgramFiles
mkdir -p "$HOME" "$TMPDIR"
# A prefix takes some 700 MB: only the working folder is kept afterwards.
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$HOME" "$TMPDIR"' EXIT
drive_c="$WINEPREFIX/drive_c"

# Runs the commands given on standard input as a batch file in the prefix.
batch() {
  sed 's/$/\r/' >"$drive_c/demo.bat"
  wine cmd /c 'C:\demo.bat' >/dev/null
}

echo "== making a fresh Wine prefix in $WINEPREFIX"
wineboot -i 2>/dev/null
wineserver -w

# What the installation will change: a key of the program's own, a file.
batch <<'BAT'
reg add "HKCU\Software\Sample" /v Ver /d 1 /f
reg add "HKCU\Software\Sample" /v Obsolete /t REG_DWORD /d 1 /f
BAT
printf 'readme' >"$drive_c/windows/readme.txt"

echo "== wine vastrel.exe -c"
wine "$exe" -c </dev/null | sed 's/\x08.//g'
wineserver -w

echo "== installing Sample Tool 2.0 with a batch file of reg and file commands (its 32-bit helper where"
echo "   a 32-bit installer puts it, in C:\\Program Files (x86))"
batch <<'BAT'
reg add "HKCU\Software\Sample" /v Ver /d 2 /f
reg delete "HKCU\Software\Sample" /v Obsolete /f
reg add "HKLM\Software\Sample\Tool" /ve /d "Sample Tool" /f
reg add "HKLM\Software\Sample\Tool" /v Flags /t REG_DWORD /d 42 /f
reg add "HKLM\Software\Sample\Tool" /v Blob /t REG_BINARY /d deadbeef /f
mkdir "C:\Program Files\Sample Tool"
echo tool> "C:\Program Files\Sample Tool\tool.exe"
mkdir "C:\Program Files (x86)\Sample Tool"
echo helper32> "C:\Program Files (x86)\Sample Tool\helper32.dll"
echo helper> C:\windows\system32\sample.dll
del C:\windows\readme.txt
echo [Sample]>> C:\windows\win.ini
echo Version=2.0>> C:\windows\win.ini
BAT
wineserver -w

echo "== wine vastrel.exe -d"
wine "$exe" -d </dev/null | sed 's/\x08.//g'
wineserver -w

mv "$drive_c/vastrel" "$root/vastrel"
scripts/show-reports.sh "$root/vastrel"
