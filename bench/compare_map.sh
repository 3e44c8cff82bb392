#!/usr/bin/env bash
# Times the first map of Marlit's window against that of the reference window (the same controls,
# texts and font, no logic): both started in turn under one Xvfb with openbox, each run measured
# by map_watch from just before the start to the window manager's map of the window's frame. One
# warm-up run each is dropped; then RUNS runs each, interleaved A B B A, and the medians, their
# ratio and, steadier while the machine's load drifts, the median of the ratios within each
# adjacent pair are printed. Not a test; the aim is a ratio of at most 1.03.
#   bench/compare_map.sh [-n RUNS] [MARLIT [REFERENCE]]
# Defaults: 41 runs, the programs of build/default.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build/default"
runs=41
if [ "${1:-}" = "-n" ]; then
  runs=$2
  shift 2
fi
marlit=${1:-$build/mainwindow/marlit}
reference=${2:-$build/bench/reference_window}
watch=${MAP_WATCH:-$build/bench/map_watch}
for p in "$marlit" "$reference" "$watch"; do
  [ -x "$p" ] || { echo "compare_map: not an executable program: $p" >&2; exit 2; }
done

if [ -z "${COMPARE_MAP_UNDER_X:-}" ]; then
  COMPARE_MAP_UNDER_X=1 MAP_WATCH="$(realpath "$watch")" exec "$here/../scripts/with-xvfb.sh" \
    "$0" -n "$runs" "$(realpath "$marlit")" "$(realpath "$reference")"
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

a_times=$(mktemp)
b_times=$(mktemp)
trap 'rm -f "$a_times" "$b_times"' EXIT
"$watch" "$marlit" >/dev/null
"$watch" "$reference" >/dev/null
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    "$watch" "$marlit" >>"$a_times"
    "$watch" "$reference" >>"$b_times"
  else
    "$watch" "$reference" >>"$b_times"
    "$watch" "$marlit" >>"$a_times"
  fi
done

a=$(median <"$a_times")
b=$(median <"$b_times")
printf '%-18s %s\n' "runs each" "$runs, interleaved"
printf '%-18s %8.2f ms  (%s)\n' "marlit" "$a" "$(basename "$marlit")" "reference window" "$b" \
  "$(basename "$reference")"
paired=$(paste "$a_times" "$b_times" | awk '{ print $1 / $2 }' | median)
awk -v a="$a" -v b="$b" -v p="$paired" 'BEGIN {
  printf "%-18s %8.3f  (aim: at most 1.03)\n", "ratio", a / b
  printf "%-18s %8.3f\n", "paired ratio", p
}'
