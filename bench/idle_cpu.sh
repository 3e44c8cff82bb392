#!/usr/bin/env bash
# Measures the CPU time that each program given uses while it sits idle: started under Xvfb with
# openbox, left 2 s to settle, then its user and system time over 10 s, from /proc/<pid>/stat, as a
# percentage of one core. Not a test; the aims are Marlit below 0.5 % and Tessaly below 2 %.
#   bench/idle_cpu.sh build/default/probe/tessaly [build/default/mainwindow/marlit]
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: $0 PROGRAM [PROGRAM...]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${IDLE_CPU_UNDER_X:-}" ]; then
  programs=()
  for p in "$@"; do
    [ -x "$p" ] || { echo "idle_cpu: not an executable program: $p" >&2; exit 2; }
    programs+=("$(cd "$(dirname "$p")" && pwd)/$(basename "$p")")
  done
  IDLE_CPU_UNDER_X=1 exec "$here/../scripts/with-xvfb.sh" "$0" "${programs[@]}"
fi

settle=2
span=10
ticks_per_second=$(getconf CLK_TCK)

# utime + stime, fields 14 and 15; the command name in field 2 may hold blanks, so count from
# the closing parenthesis.
cpu_ticks() {
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }
  awk '{ print $12 + $13 }' <<<"$stat"
}

for program in "$@"; do
  "$program" >/dev/null 2>&1 &
  pid=$!
  sleep "$settle"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "$(basename "$program"): ended before it could be measured" >&2
    continue
  fi
  before=$(cpu_ticks "$pid")
  sleep "$span"
  after=$(cpu_ticks "$pid")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v name="$(basename "$program")" -v used=$((after - before)) -v hz="$ticks_per_second" \
    -v span="$span" 'BEGIN { printf "%s: %.2f s of CPU in %d s idle = %.2f %% of a core\n",
                             name, used / hz, span, 100 * used / hz / span }'
done
