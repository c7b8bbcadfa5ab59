#!/bin/sh
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Quillmere developers
#
# Usage: scripts/screenshot.sh <program> <out.png>
# Runs the program from a temporary copy of its folder on a private Xvfb
# display, grabs its window "Quillmere 1.1" and ends it with Esc.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 <program> <out.png>" >&2
    exit 2
fi
program=$1
out=$2
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A free display: no lock file and no socket.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
tries=0
until xdotool getmouselocation >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || { echo "$0: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done

# The program keeps its records beside itself: run a copy, never the original.
mkdir "$work/program"
cp "$program" "$work/program/"
(cd "$work" && QT_QPA_PLATFORM=xcb "$work/program/$(basename "$program")") &
app_pid=$!

window=
tries=0
while [ -z "$window" ]; do
    tries=$((tries + 1))
    [ $tries -le 200 ] || { echo "$0: no window \"Quillmere 1.1\" appeared" >&2; exit 1; }
    sleep 0.1
    window=$(xdotool search --name '^Quillmere 1\.1$' 2>/dev/null | head -n 1) || true
done
sleep 1   # let it paint
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"

xdotool key --window "$window" Escape
tries=0
while kill -0 "$app_pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || { echo "$0: the program did not end on Esc" >&2; exit 1; }
    sleep 0.1
done
wait "$app_pid" || { echo "$0: the program ended with an error" >&2; exit 1; }
app_pid=
echo "$out"
