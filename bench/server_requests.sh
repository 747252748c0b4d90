#!/usr/bin/env bash
# bench/server_requests.sh
#
# Where the time goes under Wine. With the wine server's request trace on
# (WINEDEBUG=+server), the minimal window program starts, then ホロネ with
# 10 000 names and 1 000 history entries; 21 chat lines are sent with
# WM_SETTEXT into the bare edit, then 21 into ホロネ's Edit1 (no game client).
# For each program's window thread it counts the requests before the first
# line (start-up) and per line, by request (those of 100 or more at
# start-up, of 1 or more a line). Every request is a round trip to the wine
# server. Uses the tree that bench/run.sh wine builds (build/bench-mingw64).
set -euo pipefail
cd "$(dirname "$0")/.."
wine_dir=${HORONE_BENCH_WINE_DIR:-build/bench-mingw64}  # the tree bench/run.sh wine builds
[ -f "$wine_dir/bench/horone_win32_bench.exe" ] || { echo "run bash bench/run.sh wine first" >&2; exit 2; }
export HORONE_WINEPREFIX=${HORONE_WINEPREFIX:-/tmp/horone-bench-prefix}
bash scripts/wine-prefix.sh prepare
trace=$(mktemp)
HORONE_WINEDEBUG=+server xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash scripts/wine-run.sh "$wine_dir/bench/horone_win32_bench.exe" trace 2>"$trace" >/dev/null || true

# The receiving threads, in the order they got their first WM_SETTEXT
# (msg 0x000c) from send_message: the bare edit's, then ホロネ's.
mapfile -t targets < <(grep -o 'send_message( id=[0-9a-f]*, type=[0-9]*, flags=[0-9]*, win=[0-9a-f]*, msg=0000000c' "$trace" |
                       sed 's/.*id=\([0-9a-f]*\),.*/\1/' | awk '!seen[$0]++')
names=(bare_edit horone)
for i in 0 1; do
  t=${targets[$i]:-}
  [ -n "$t" ] || { echo "no trace for ${names[$i]}" >&2; continue; }
  # That thread's requests: before its first line (its start-up), and from
  # the first line's arrival to the last one's (20 lines).
  awk -v t="$t" -v name="${names[$i]}" '
    index($0, "send_message( id=" t ",") && index($0, "msg=0000000c") { n++ }
    $1 == t ":" && $2 !~ /^\*/ && $0 !~ /\) = / {
      r = $2; sub(/\(.*/, "", r)
      if (n == 0) { up[r]++; upTotal++ } else if (n < 21) { line[r]++; lineTotal++ }
    }
    END {
      printf "server_requests_startup_%s: %d requests\n", name, upTotal
      for (r in up) if (up[r] >= 100) printf "  %s: %d\n", r, up[r] | "sort -t: -k2 -rn"
      close("sort -t: -k2 -rn")
      printf "server_requests_per_line_%s: %.1f requests\n", name, lineTotal / 20
      for (r in line) if (line[r] >= 20) printf "  %s: %.1f\n", r, line[r] / 20 | "sort -t: -k2 -rn"
      close("sort -t: -k2 -rn")
    }' "$trace"
done
rm -f "$trace"
