#!/usr/bin/env bash
# Sets everything up, builds every configuration and runs every test:
# the native unit tests (with AddressSanitizer and UBSan), the fuzz targets
# over their committed corpus, then the Win32 tests of the x86_64 build under
# Wine and Xvfb (among them the packed zip run from a folder with spaces and
# Japanese in its path, and a 200 000-line stress run). The i686 release is
# built and its import table checked.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
start=$(date +%s)

bash scripts/setup.sh

# Every GoogleTest program writes its results here, natively and under Wine
# (Wine sees the same path through its Z: drive; a path without a drive
# letter would be relative to the test's folder there).
results=$repo/build/test-results
rm -rf "$results"
mkdir -p "$results/native" "$results/win32"

summary=()
run_ctest() {  # name, preset, [wrapper...]
  local name=$1 preset=$2
  shift 2
  local log=build/ctest-$name.log
  set +e
  "$@" ctest --preset "$preset" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
  summary+=("$name: ${line:-no result}")
  return "$rc"
}

echo "== native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
GTEST_OUTPUT=xml:$results/native/ run_ctest native native

echo "== fuzz targets over their committed corpus"
bash scripts/fuzz.sh check 2>&1 | tee build/fuzz-check.log
summary+=("fuzz: $(sed -n 's/^fuzz check: //p' build/fuzz-check.log | tail -1)")

echo "== i686 release build"
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32
imports=$(i686-w64-mingw32-objdump -p build/mingw32/src/win32/horone.exe)
for f in InstallHook_CallWndProc UnInstallHook_CallWndProc; do
  grep -q "$f" <<<"$(sed -n '/DLL Name: HOROHK.DLL/,/DLL Name:/p' <<<"$imports")" \
    || { echo "horone.exe does not import $f from HOROHK.DLL"; exit 1; }
done
echo "horone.exe (i686) imports InstallHook_CallWndProc and UnInstallHook_CallWndProc from HOROHK.DLL"

echo "== x86_64 build and Win32 tests under Wine"
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64
# The zip the Win32 tests unpack and run (the x86_64 twin of the release's).
bash scripts/package.sh x64 >/dev/null
export HORONE_WINEPREFIX=${HORONE_WINEPREFIX:-$repo/build/wineprefix64}
bash scripts/wine-prefix.sh prepare
GTEST_OUTPUT=xml:Z:$results/win32/ run_ctest win32 mingw64 xvfb-run -a -s "-screen 0 1600x1200x24"

echo "== summary"
printf '%s\n' "${summary[@]}"
# Test cases of every GoogleTest program, from their XML reports.
passed=0 failed=0
for xml in "$results"/*/*.xml; do
  [ -f "$xml" ] || continue
  line=$(grep -m1 '<testsuites ' "$xml")
  tests=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$line")
  fails=$(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$line")
  errors=$(sed -E 's/.* errors="([0-9]+)".*/\1/' <<<"$line")
  echo "$(basename "$(dirname "$xml")")/$(basename "$xml" .xml): $tests test cases, $((fails + errors)) failed"
  passed=$((passed + tests - fails - errors))
  failed=$((failed + fails + errors))
done
echo "time: $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
