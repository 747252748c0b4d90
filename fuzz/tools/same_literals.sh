#!/usr/bin/env bash
# same_literals.sh ROOT CONVERTED UNIT STAMP: compiles the translation unit
# UNIT (a path relative to both trees) twice with GCC, the original under
# ROOT with -fexec-charset=CP932 as the main build does, the copy under
# CONVERTED with the default execution character set, and touches STAMP
# when both give the same assembly: then the copy's literals hold exactly
# the bytes of the original's. Both compile from the same relative path, so
# nothing but the literals can differ.
set -euo pipefail
root=$1 converted=$2 unit=$3 stamp=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
flags=(-std=c++20 -O0 -w -Isrc -Itests/native -Ifuzz -S -o -)
# The .file directive names the source as given, which is the same path in
# both trees; it is dropped anyway, so the check cannot depend on it.
(cd "$root" && g++ "${flags[@]}" -fexec-charset=CP932 "$unit") | grep -v '^[[:space:]]*\.file' >"$work/original.s"
(cd "$converted" && g++ "${flags[@]}" "$unit") | grep -v '^[[:space:]]*\.file' >"$work/converted.s"
if ! cmp -s "$work/original.s" "$work/converted.s"; then
  echo "$unit: the converted copy's literals differ from GCC's code page 932 ones:" >&2
  diff "$work/original.s" "$work/converted.s" | head -20 >&2
  exit 1
fi
mkdir -p "$(dirname "$stamp")"
touch "$stamp"
