#!/usr/bin/env bash
# The libFuzzer targets of the core (fuzz/README.md), built natively with
# clang in build/fuzz.
#   scripts/fuzz.sh check                     build, then run each target over
#                                             its committed corpus (fuzz/corpus)
#   scripts/fuzz.sh run [SECONDS] [TARGET...] fuzz each target (all by default)
#                                             for SECONDS (600), one at a time;
#                                             new inputs go to build/fuzz/corpus,
#                                             findings to build/fuzz/findings
# Either exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
all_targets=(intake_fuzz line_file_fuzz integer_fuzz countdown_fuzz)

# Per-target options: the largest input (the intake makes its long lines by
# repetition, the countdown reads four bytes) and a dictionary where one helps.
options() {
  local t=$1
  local opts=(-timeout=30 -rss_limit_mb=4096)
  case $t in
    countdown_fuzz) opts+=(-max_len=4) ;;
    integer_fuzz) opts+=(-max_len=128) ;;
    *) opts+=(-max_len=4096) ;;
  esac
  [ -f "fuzz/dict/$t.dict" ] && opts+=("-dict=fuzz/dict/$t.dict")
  printf '%s\n' "${opts[@]}"
}

build_targets() {
  cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build "$build"
}

# A smaller quarantine than ASan's 256 MiB: the intake's long lines would
# otherwise have nearly every allocation fault in fresh pages, at half the
# speed; freed memory is still held back long enough to catch late uses.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
# Readable stack traces without the unversioned llvm package.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
fi

check() {
  build_targets
  local failed=0 inputs=0 t log
  mkdir -p "$build/logs"
  for t in "${all_targets[@]}"; do
    local files=(fuzz/corpus/"$t"/*)
    log=$build/logs/check-$t.log
    # Given files (not a folder), libFuzzer runs each once and writes nothing.
    if "$build/$t" "${files[@]}" >"$log" 2>&1; then
      echo "$t: ${#files[@]} corpus inputs, ok"
    else
      echo "$t: FAILED on its corpus (log $log):"
      grep -E 'check failed|ERROR|runtime error|SUMMARY|^Running:' "$log" | tail -8
      failed=$((failed + 1))
    fi
    inputs=$((inputs + ${#files[@]}))
  done
  echo "fuzz check: ${#all_targets[@]} targets, $inputs corpus inputs, $failed failed"
  [ "$failed" -eq 0 ]
}

run() {
  local seconds=600
  if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
  fi
  local targets=("$@")
  [ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
  build_targets
  local failed=0 t
  local summary=()
  for t in "${targets[@]}"; do
    [ -x "$build/$t" ] || { echo "no such target: $t (one of ${all_targets[*]})"; exit 2; }
    local scratch=$build/corpus/$t findings=$build/findings/$t log=$build/logs/run-$t.log
    mkdir -p "$scratch" "$findings" "$build/logs"
    echo "== $t for $seconds s (log $log)"
    mapfile -t opts < <(options "$t")
    set +e
    # The scratch folder comes first: new inputs go there; the committed
    # corpus is read only.
    "$build/$t" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/" "$scratch" "fuzz/corpus/$t" >"$log" 2>&1
    local rc=$?
    set -e
    # The last status line (DONE, or the last before a finding) and the final stats.
    local status execs rate corp
    status=$(grep -E '^#[0-9]+[[:space:]].*cov: ' "$log" | tail -1 || true)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    corp=$(grep -oE 'corp: [0-9]+/[0-9]+[A-Za-z]*' <<<"$status" | sed 's/corp: //' || true)
    local line
    line="$t: ${execs:-?} executions in $seconds s, ${rate:-?} exec/s,"
    line+=" $(grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"$status" || echo 'cov: ? ft: ?'),"
    line+=" corpus ${corp:-?} (inputs/bytes), $(ls "$scratch" | wc -l) files in $scratch"
    if [ "$rc" -ne 0 ]; then
      line+=" -- FINDING (exit $rc), see $findings and $log"
      grep -E 'check failed|ERROR|runtime error|SUMMARY|Test unit written' "$log" | tail -8
      failed=$((failed + 1))
    fi
    echo "$line"
    summary+=("$line")
  done
  echo "== fuzz run summary"
  printf '%s\n' "${summary[@]}"
  [ "$failed" -eq 0 ]
}

case "${1:-}" in
  check) check ;;
  run) shift; run "$@" ;;
  *) echo "usage: scripts/fuzz.sh check | run [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac
