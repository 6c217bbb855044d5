#!/usr/bin/env bash
# The demonstration's "installation": what a small installer would change in
# the prefix given, done by hand so that Wine is not needed.
set -euo pipefail
prefix="$1"
echo "== installing Sample Tool 2.0 into $prefix"

# Registry: a changed string, a new key with values, a removed value.
sed -i 's/^"Ver"="1"$/"Ver"="2"/; /^"Obsolete"=/d' "$prefix/user.reg"
cat >>"$prefix/user.reg" <<'REG'

[Software\\Sample\\Tool] 1700000100
#time=1da0000000000001
@="Sample Tool"
"InstallDir"="C:\\Program Files\\Sample Tool"
"Flags"=dword:0000002a
"Blob"=hex:de,ad,be,ef
REG

# Files: a new program folder, a new system file, a changed and a removed file.
mkdir -p "$prefix/drive_c/Program Files/Sample Tool"
printf 'tool' >"$prefix/drive_c/Program Files/Sample Tool/tool.exe"
printf 'helper' >"$prefix/drive_c/windows/system32/sample.dll"
printf 'notepad, patched' >"$prefix/drive_c/windows/notepad.exe"
touch -d '2030-01-01 00:00:00' "$prefix/drive_c/windows/notepad.exe"
rm "$prefix/drive_c/windows/readme.txt"

# INI: a changed value and a new section.
printf '[windows]\r\nload=sample.exe\r\nrun=\r\n\r\n[Desktop]\r\nWallpaper=(None)\r\n\r\n[Sample]\r\nVersion=2.0\r\n' \
  >"$prefix/drive_c/windows/win.ini"
