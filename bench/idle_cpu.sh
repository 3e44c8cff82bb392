#!/usr/bin/env bash
# Measures the CPU time that each program given uses while it sits idle: started under Xvfb with
# openbox, left 2 s to settle, then the time its threads ran over 10 s, as a percentage of one core:
# from /proc/<pid>/task/*/schedstat in nanoseconds where the kernel keeps it, else the user and
# system time of /proc/<pid>/stat, counted in clock ticks (10 ms, coarse beside Marlit's 0.5 %).
# Not a test; the aims are Marlit below 0.5 % and Tessaly below 2 %.
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

# utime + stime, fields 14 and 15, in nanoseconds; the command name in field 2 may hold blanks, so
# count from the closing parenthesis.
cpu_ns_from_stat() {
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }
  awk -v hz="$ticks_per_second" '{ printf "%.0f\n", ($12 + $13) * 1e9 / hz }' <<<"$stat"
}

# The first field of each thread's schedstat is the time it has run, in nanoseconds.
cpu_ns() {
  if [ -r "/proc/$1/schedstat" ]; then
    cat "/proc/$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f\n", sum }'
  else
    cpu_ns_from_stat "$1"
  fi
}

# Qt would look for a session bus, which an Xvfb session does not have.
export DBUS_SESSION_BUS_ADDRESS=disabled:

for program in "$@"; do
  "$program" >/dev/null 2>&1 &
  pid=$!
  sleep "$settle"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "$(basename "$program"): ended before it could be measured" >&2
    continue
  fi
  before=$(cpu_ns "$pid")
  sleep "$span"
  after=$(cpu_ns "$pid")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v name="$(basename "$program")" -v used=$((after - before)) -v span="$span" \
    'BEGIN { printf "%s: %.1f ms of CPU in %d s idle = %.2f %% of a core\n",
             name, used / 1e6, span, 100 * used / 1e9 / span }'
done
