#!/usr/bin/env bash
# Runs a command under a private Xvfb display with openbox as its window manager.
set -euo pipefail
display=""
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-xvfb: no free display" >&2; exit 1; }

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() { kill "$wm_pid" 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; }
wm_pid=""
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm_pid=$!
# The window manager is ready once it owns the screen's manager selection.
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
"$@"
