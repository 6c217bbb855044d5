#!/usr/bin/env bash
# Checks the manual page and the Debian package made from a build folder: the
# page formats without a warning; the package carries the project's version,
# the program and its documents and nothing else; lintian finds no error but
# the one that waits on a licence; and the program and its page work as
# installed. The package is unpacked into a temporary root, where dpkg's
# path-exclude rules (minimal images drop /usr/share/man/* with them) have no
# say; run as root on a machine without vastrel, it is also installed with
# dpkg -i as a user installs it, and removed again.
#   scripts/check-package.sh <build folder>
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "$1" && pwd)"
scripts/install-deps.sh groff-base man-db lintian dpkg-dev file gzip >&2

scratch="$(mktemp -d /tmp/vastrel-package-XXXXXX)"
installed=
cleanup() {
  [ -z "$installed" ] || dpkg -r vastrel >/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
chmod 755 "$scratch"  # man may read the page as its own user
fail() {
  printf 'check-package: %s\n' "$1" >&2
  shift
  [ $# -eq 0 ] || printf '%s\n' "$@" >&2
  exit 1
}
export LC_ALL=C.UTF-8 MANWIDTH=80
unset MANPATH

# Minimal images may leave out groff's macros and fonts as well
# (path-exclude /usr/share/groff/*): then they come from groff-base's package.
if ! groff -man -z </dev/null 2>/dev/null; then
  echo "== groff's macros are missing here: taking them from groff-base's package"
  if ! (cd "$scratch" && apt-get download -qq groff-base 2>/dev/null); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    (cd "$scratch" && apt-get download -qq groff-base 2>/dev/null)
  fi
  dpkg-deb -x "$scratch"/groff-base_*.deb "$scratch/groff"
  groff_share="$(echo "$scratch"/groff/usr/share/groff/[0-9]*)"
  export GROFF_TMAC_PATH="$groff_share/tmac:$scratch/groff/usr/share/groff/site-tmac"
  export GROFF_FONT_PATH="$groff_share/font"
fi

version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
[ -n "$version" ] || fail "$build holds no CPack configuration"

echo "== the manual page, doc/vastrel.1"
grep -q "^\.TH VASTREL 1 .* \"vastrel $version\" " doc/vastrel.1 || fail "doc/vastrel.1 does not name version $version"
warnings="$(groff -ww -man -z doc/vastrel.1 2>&1)"
[ -z "$warnings" ] || fail "groff -ww -man -z doc/vastrel.1 warns:" "$warnings"
warnings="$(man --warnings=w -l doc/vastrel.1 2>&1 >/dev/null)"
[ -z "$warnings" ] || fail "man -l doc/vastrel.1 warns:" "$warnings"
head -1 doc/changelog | grep -qF "vastrel ($version) " || fail "doc/changelog does not begin with version $version"

echo "== the Debian package"
rm -rf "$build/package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package" >"$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; fail "cpack -G DEB failed"; }
deb="$build/package/vastrel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"
dpkg-deb --field "$deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vastrel ] || fail "the package is not named vastrel"
[ "$(field Version)" = "$version" ] || fail "the package's version is not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "the package's architecture is not this machine's"
[ -n "$(field Maintainer)" ] || fail "the package names no maintainer"
field Depends | grep -q '\blibc6 (>= ' || fail "the package's dependencies were not computed"
[ "$(field Recommends)" = wine ] || fail "the package does not recommend wine"

# The program and its documents, and nothing of the tests, benchmarks or fuzzers.
contents="$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)"
expected="./usr/bin/vastrel
./usr/share/doc/vastrel/README.md
./usr/share/doc/vastrel/changelog.gz
./usr/share/man/man1/vastrel.1.gz"
[ "$contents" = "$expected" ] || fail "the package holds:" "$contents" "instead of:" "$expected"

echo "== lintian"
# A package without a licence has no copyright file; that error waits on the
# choice of a licence. Every other error fails the check.
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
grep -v 'running with root privileges' "$scratch/lintian.log" || true
if grep '^E: ' "$scratch/lintian.log" | grep -qv ': no-copyright-file$'; then
  fail "lintian reports errors"
fi

echo "== vastrel -c and -d, as installed, on a demonstration prefix"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
vastrel="$root/usr/bin/vastrel"
prefix="$scratch/prefix"
scripts/make-demo-prefix.sh "$prefix"
(
  export WINEPREFIX="$prefix"
  unset WINDIR ProgramFiles
  "$vastrel" -c </dev/null | tr -d '\b'
  scripts/demo-install.sh "$prefix"
  "$vastrel" -d </dev/null | tr -d '\b'
)
work="$prefix/drive_c/vastrel"
expect() {
  tr -d '\r' <"$work/$1" | grep -qxF -- "$2" || fail "$1 lacks the line $2"
}
expect new.reg '[HKEY_CURRENT_USER\Software\Sample\Tool]'
expect mod.reg '"Ver"="2"'
expect modo.reg '"Ver"="1"'
expect rem.reg '"Obsolete"=dword:00000001'
expect new.txt 'C:\windows\system32\sample.dll'
expect mod.txt 'C:\windows\notepad.exe'
expect rem.txt 'C:\windows\readme.txt'
expect prgnew.txt 'C:\Program Files\Sample Tool [DIR]'
expect win_new.ini 'Version=2.0'
expect win_mod.ini 'load=sample.exe'
expect win_modo.ini 'load='

echo "== man vastrel, as installed"
# man looks beside each folder of PATH for share/man, as it finds the page of
# a program installed into /usr or /usr/local.
export PATH="$root/usr/bin:$PATH"
page="$(man -w vastrel)"
[ "$page" = "$root/usr/share/man/man1/vastrel.1.gz" ] || fail "man -w vastrel finds '$page'"
echo "$page"
man --warnings=w vastrel >"$scratch/page.txt" 2>"$scratch/page.err" || fail "man vastrel failed"
[ ! -s "$scratch/page.err" ] || fail "man vastrel warns:" "$(cat "$scratch/page.err")"
grep -q 'vastrel - tell what a software installation changed' "$scratch/page.txt" ||
  fail "man vastrel shows no NAME line"
if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W vastrel >/dev/null 2>&1; then
  echo "== dpkg -i, as a user installs it, and dpkg -r"
  installed=yes
  dpkg -i "$deb" >/dev/null
  usage="$(PATH="/usr/local/bin:/usr/bin:/bin" vastrel </dev/null)" || fail "the installed vastrel does not run"
  [[ "$usage" == "USE VASTREL <opt>"* ]] || fail "the installed vastrel printed:" "$usage"
  if dpkg-query -L vastrel | grep -qx /usr/share/man/man1/vastrel.1.gz; then
    [ "$(PATH=/usr/bin:/bin man -w vastrel)" = /usr/share/man/man1/vastrel.1.gz ] || fail "man -w vastrel does not find the installed page"
  else
    echo "(this machine's dpkg leaves out /usr/share/man: the page was checked in the unpacked root above)"
  fi
  dpkg -r vastrel >/dev/null
  installed=
  ! dpkg-query -W -f='${Status}' vastrel 2>/dev/null | grep -q "install ok installed" || fail "dpkg -r left vastrel installed"
  [ ! -e /usr/bin/vastrel ] || fail "dpkg -r left /usr/bin/vastrel"
fi
echo "== the package is sound: $deb"
