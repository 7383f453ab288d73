#!/usr/bin/env bash
# Runs a program under a private Xvfb display, writes a screenshot of the
# screen once the program has had time to draw, then leaves it running until
# it quits (or until MORVANE_SCREENSHOT_ONLY=1 asks to stop after the shot).
#   xvfb-screenshot.sh OUT.png PROGRAM [ARGS...]
set -euo pipefail
out=$1
shift

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=$display

# Wait for the X server to accept clients (bounded, no fixed sleep budget).
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    import -window root -display "$display" /dev/null >/dev/null 2>&1 && break
    sleep 0.1
done

"$@" &
app_pid=$!

# Give the window time to appear and paint, then capture the whole screen.
for _ in $(seq 1 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
import -window root "$out" && echo "Screenshot written to $out"

if [ "${MORVANE_SCREENSHOT_ONLY:-0}" = 1 ]; then
    kill "$app_pid" 2>/dev/null || true
fi
wait "$app_pid" || true
