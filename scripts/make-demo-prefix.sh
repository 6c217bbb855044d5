#!/usr/bin/env bash
# Lays out a small Wine prefix in the folder given, as Wine lays one out:
# three registry files, drive_c with the Windows and program-files folders,
# and the dosdevices links. Wine itself is not needed.
set -euo pipefail
prefix="$1"
mkdir -p "$prefix"/drive_c/windows/system32 "$prefix/drive_c/Program Files/Common Files" "$prefix/dosdevices"
ln -sfn ../drive_c "$prefix/dosdevices/c:"
ln -sfn / "$prefix/dosdevices/z:"

cat >"$prefix/system.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Classes\\.txt] 1700000000
#time=1da0000000000000
@="txtfile"

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000000
#time=1da0000000000000
"ProgramFilesDir"="C:\\Program Files"
"CommonFilesDir"="C:\\Program Files\\Common Files"

[System\\CurrentControlSet\\Hardware Profiles\\Current] 1700000000
#time=1da0000000000000
REG

cat >"$prefix/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Control Panel\\Desktop] 1700000000
#time=1da0000000000000
"Wallpaper"=""

[Software\\Sample] 1700000000
#time=1da0000000000000
"Ver"="1"
"Obsolete"=dword:00000001
REG

cat >"$prefix/userdef.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\.Default

#arch=win64
REG

printf '[windows]\r\nload=\r\nrun=\r\n\r\n[Desktop]\r\nWallpaper=(None)\r\n' >"$prefix/drive_c/windows/win.ini"
printf '[boot]\r\nshell=explorer.exe\r\n' >"$prefix/drive_c/windows/system.ini"
printf 'notepad' >"$prefix/drive_c/windows/notepad.exe"
printf 'kernel' >"$prefix/drive_c/windows/system32/kernel32.dll"
printf 'readme' >"$prefix/drive_c/windows/readme.txt"
