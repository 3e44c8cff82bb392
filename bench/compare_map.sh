#!/usr/bin/env bash
# Times the first map of Marlit's window against that of the reference window (the same controls,
# texts and font, no logic): both started in turn under one Xvfb with openbox, each run measured
# by map_watch from just before the start to the window manager's map of the window's frame. One
# warm-up run each is dropped; then RUNS runs each, interleaved A B B A. Printed: the medians and
# their ratio; the median of the ratios within each adjacent pair, steadier while the machine's
# load drifts; and the ratio of the processor time used until the map.
# With -i, each run is made under callgrind instead and the instructions that the program ran
# until its window was mapped are compared: slow (a few seconds a run), but the same on a busy
# machine as on an idle one.
# Not a test; the aim is a ratio of at most 1.03.
#   bench/compare_map.sh [-n RUNS] [-i] [MARLIT [REFERENCE]]
# Defaults: 41 runs (5 with -i), the programs of build/default.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build/default"
runs=""
instructions=""
while getopts "n:i" option; do
  case $option in
    n) runs=$OPTARG ;;
    i) instructions=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
runs=${runs:-$([ -n "$instructions" ] && echo 5 || echo 41)}
marlit=${1:-$build/mainwindow/marlit}
reference=${2:-$build/bench/reference_window}
watch=${MAP_WATCH:-$build/bench/map_watch}
for p in "$marlit" "$reference" "$watch"; do
  [ -x "$p" ] || { echo "compare_map: not an executable program: $p" >&2; exit 2; }
done

if [ -z "${COMPARE_MAP_UNDER_X:-}" ]; then
  COMPARE_MAP_UNDER_X=1 MAP_WATCH="$(realpath "$watch")" exec "$here/../scripts/with-xvfb.sh" \
    "$0" -n "$runs" ${instructions:+-i} "$(realpath "$marlit")" "$(realpath "$reference")"
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$1" '{ print $c }' "$2"; }

a_runs=$(mktemp)
b_runs=$(mktemp)
profile=$(mktemp)
trap 'rm -f "$a_runs" "$b_runs" "$profile"' EXIT

# One run of program: "milliseconds processor-milliseconds", or with -i the instruction count.
measure() {
  if [ -z "$instructions" ]; then
    "$watch" "$1"
  else
    "$watch" valgrind --tool=callgrind --callgrind-out-file="$profile" "$1" >/dev/null
    awk '/^summary:/ { print $2 }' "$profile"
  fi
}

measure "$marlit" >/dev/null
measure "$reference" >/dev/null
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    measure "$marlit" >>"$a_runs"
    measure "$reference" >>"$b_runs"
  else
    measure "$reference" >>"$b_runs"
    measure "$marlit" >>"$a_runs"
  fi
done

printf '%-18s %s\n' "runs each" "$runs, interleaved"
a=$(column 1 "$a_runs" | median)
b=$(column 1 "$b_runs" | median)
if [ -n "$instructions" ]; then
  printf '%-18s %12.0f instructions until the map  (%s)\n' \
    "marlit" "$a" "$marlit" "reference window" "$b" "$reference"
  awk -v a="$a" -v b="$b" 'BEGIN { printf "%-18s %8.3f  (aim: at most 1.03)\n", "ratio", a / b }'
  exit 0
fi
paired=$(paste "$a_runs" "$b_runs" | awk '{ print $1 / $3 }' | median)
a_cpu=$(column 2 "$a_runs" | median)
b_cpu=$(column 2 "$b_runs" | median)
printf '%-18s %8.2f ms to the map, %6.2f ms of processor time  (%s)\n' \
  "marlit" "$a" "$a_cpu" "$marlit" "reference window" "$b" "$b_cpu" "$reference"
awk -v a="$a" -v b="$b" -v p="$paired" -v ac="$a_cpu" -v bc="$b_cpu" 'BEGIN {
  printf "%-18s %8.3f  (aim: at most 1.03)\n", "ratio", a / b
  printf "%-18s %8.3f\n", "paired ratio", p
  printf "%-18s %8.3f\n", "processor ratio", ac / bc
}'
