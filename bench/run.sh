#!/usr/bin/env bash
# bench/run.sh [native|wine|daily_log]...
#
# Builds optimised trees of its own and runs every benchmark, printing each
# figure as a "name: value unit" line:
#
#   native  the intake at 0, 100 000 and 1 000 000 rows, the watch-list
#           lookup, the heap per row (build/bench-native: Release, no
#           sanitizers); with valgrind installed, also the instructions per
#           line under callgrind, which do not depend on the machine's load;
#   wine    start-up, the Exit command and end-to-end delivery under Wine
#           and Xvfb (build/bench-mingw64: the x86_64 build, since this
#           project's machines run no 32-bit code);
#   daily_log  the daily log files: the intake's cost per line with the
#           files off and on (native, real appends), and delivery end to
#           end under Wine with the files off and on.
#
# No argument runs all three. Not part of the test run. The Wine prefix is
# HORONE_WINEPREFIX, else /tmp/horone-bench-prefix (made on first use, ~20 s).
set -euo pipefail
cd "$(dirname "$0")/.."

what=("$@")
[ ${#what[@]} -gt 0 ] || what=(native wine daily_log)
native_dir=build/bench-native
wine_dir=build/bench-mingw64

machine() {
  echo "machine_cpus: $(nproc) cpus"
  echo "machine_cpu_model: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "machine_memory: $(awk '/MemTotal/ {printf "%.1f", $2 / 1048576}' /proc/meminfo) GiB"
  echo "machine_load_before: $(cut -d' ' -f1 /proc/loadavg) load"
}

# Instructions per line of one level, counted by callgrind over the measured
# lines only (the log is filled to that level uninstrumented).
callgrind_level() {  # tag rows
  local out
  out=$(mktemp)
  local lines
  lines=$(valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" \
            "$native_dir/bench/horone_intake_bench" --profile "$1" "$2" 2>/dev/null |
          awk '/^profiled_lines:/ {print $2}')
  local total
  total=$(awk '/^totals:/ {print $2}' "$out")
  rm -f "$out"
  awk -v t="$total" -v n="$lines" 'BEGIN {printf "%.0f\n", t / n}'
}

run_native() {
  echo "== native build ($native_dir)" >&2
  cmake -S . -B "$native_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHORONE_SANITIZE=OFF >/dev/null
  cmake --build "$native_dir" --target horone_intake_bench horone_grid_memory_bench >/dev/null
  "$native_dir/bench/horone_grid_memory_bench"
  "$native_dir/bench/horone_intake_bench"
  if command -v valgrind >/dev/null 2>&1; then
    for tag in all_users watch_10000; do
      local first="" last=""
      for rows in 0 100000 1000000; do
        local n
        n=$(callgrind_level "$tag" "$rows")
        echo "intake_${tag}_instructions_per_line_at_${rows}_rows: $n instructions"
        [ -n "$first" ] || first=$n
        last=$n
      done
      awk -v a="$last" -v b="$first" -v t="$tag" \
        'BEGIN {printf "intake_%s_instruction_ratio_1000000_vs_0_rows: %.3f x\n", t, a / b}'
    done
  else
    echo "(valgrind not installed: no instruction counts)" >&2
  fi
}

run_wine() {
  echo "== x86_64 Windows build ($wine_dir)" >&2
  cmake -S . -B "$wine_dir" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$wine_dir" --target horone_win32_bench horone_platform_bench >/dev/null
  export HORONE_WINEPREFIX=${HORONE_WINEPREFIX:-/tmp/horone-bench-prefix}
  bash scripts/wine-prefix.sh prepare
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    bash scripts/wine-run.sh "$1/bench/horone_win32_bench.exe" &&
    bash scripts/wine-run.sh "$1/bench/horone_platform_bench.exe"' wine-bench "$wine_dir" 2>&1 |
    grep -v '^X connection to .* broken'
}

run_daily_log() {
  echo "== daily log files ($native_dir, $wine_dir)" >&2
  cmake -S . -B "$native_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHORONE_SANITIZE=OFF >/dev/null
  cmake --build "$native_dir" --target horone_daily_log_bench >/dev/null
  "$native_dir/bench/horone_daily_log_bench"
  cmake -S . -B "$wine_dir" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$wine_dir" --target horone_daily_log_wine_bench >/dev/null
  export HORONE_WINEPREFIX=${HORONE_WINEPREFIX:-/tmp/horone-bench-prefix}
  bash scripts/wine-prefix.sh prepare
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash scripts/wine-run.sh "$wine_dir/bench/horone_daily_log_wine_bench.exe" 2>&1 |
    grep -v '^X connection to .* broken'
}

start=$SECONDS
machine
for w in "${what[@]}"; do
  case "$w" in
    native) run_native ;;
    wine) run_wine ;;
    daily_log) run_daily_log ;;
    *) echo "usage: bench/run.sh [native|wine|daily_log]..." >&2; exit 2 ;;
  esac
done
echo "machine_load_after: $(cut -d' ' -f1 /proc/loadavg) load"
echo "bench_time: $((SECONDS - start)) s"
