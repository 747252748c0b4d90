#!/usr/bin/env bash
# scripts/package.sh [x86|x64]
#
# Builds the i686 release and packs dist/horone-1.01-x86.zip: horone.exe,
# the stand-in HOROHK.DLL, the stand-in game client and the read-mes.
# "x64" packs the same from the x86_64 build as dist/horone-1.01-x64.zip,
# which the test run unpacks and runs (this project's machines run no
# 32-bit code; see README).
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-x86}
case "$arch" in
  x86) preset=mingw32 ;;
  x64) preset=mingw64 ;;
  *) echo "usage: scripts/package.sh [x86|x64]" >&2; exit 2 ;;
esac
zipfile=dist/horone-1.01-$arch.zip
bash scripts/setup.sh >/dev/null
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target horone gameclient >/dev/null
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/horone-1.01
mkdir -p "$dir"
cp build/$preset/src/win32/horone.exe build/$preset/standins/HOROHK.DLL build/$preset/standins/gameclient.exe "$dir/"
# Read-mes with Windows line ends, so Notepad shows them right.
sed 's/$/\r/' dist-readme/README-ja.txt >"$dir/README-ja.txt"
sed 's/$/\r/' dist-readme/README-en.txt >"$dir/README-en.txt"
mkdir -p dist
rm -f "$zipfile"
(cd "$stage" && zip -qr -X "$OLDPWD/$zipfile" horone-1.01)
unzip -l "$zipfile"
echo "package: $zipfile"
