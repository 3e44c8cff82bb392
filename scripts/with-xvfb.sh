#!/usr/bin/env bash
# Runs a command under a private Xvfb display with openbox as its window manager.
set -euo pipefail

number_file=$(mktemp)
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -f "$number_file"
}
# Xvfb picks a free display itself and writes its number, so runs side by side never collide.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
[ -s "$number_file" ] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' < "$number_file")"

openbox >/dev/null 2>&1 &
wm_pid=$!
# The window manager is ready once it has set its check window on the root.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  { echo "with-xvfb: openbox did not start" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
# Qt would otherwise look for a session bus that the private display does not have.
export DBUS_SESSION_BUS_ADDRESS=disabled:
"$@"
