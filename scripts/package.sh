#!/usr/bin/env bash
# Builds the i686 release and packs dist/horone-1.01-x86.zip: horone.exe,
# the stand-in HOROHK.DLL, the stand-in game client and the read-mes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target horone gameclient
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/horone-1.01
mkdir -p "$dir"
cp build/mingw32/src/win32/horone.exe build/mingw32/standins/HOROHK.DLL build/mingw32/standins/gameclient.exe "$dir/"
# Read-mes with Windows line ends, so Notepad shows them right.
sed 's/$/\r/' dist-readme/README-ja.txt >"$dir/README-ja.txt"
sed 's/$/\r/' dist-readme/README-en.txt >"$dir/README-en.txt"
mkdir -p dist
rm -f dist/horone-1.01-x86.zip
(cd "$stage" && zip -qr -X "$OLDPWD/dist/horone-1.01-x86.zip" horone-1.01)
unzip -l dist/horone-1.01-x86.zip
echo "package: dist/horone-1.01-x86.zip"
