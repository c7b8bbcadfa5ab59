#!/bin/sh
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Quillmere developers
#
# The program in a real X window: copied into a fresh program folder and
# started from another directory, it shows one window "Quillmere 1.1",
# centred on the screen, keeps its records in its own folder, and Esc ends
# it with exit code 0. Runs on a private Xvfb display, whatever DISPLAY says.
# Usage: realwindow.sh <program>
set -eu

program=$1
screen_w=1024
screen_h=768
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/app.log" ] && cat "$work/app.log" >&2
    exit 1
}

unset WAYLAND_DISPLAY
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 "${screen_w}x${screen_h}x24" -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
tries=0
until xdotool getmouselocation >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done

mkdir "$work/program" "$work/elsewhere"
cp "$program" "$work/program/quillmere"
(cd "$work/elsewhere" && exec env QT_QPA_PLATFORM=xcb "$work/program/quillmere") >"$work/app.log" 2>&1 &
app_pid=$!

windows=
tries=0
while [ -z "$windows" ]; do
    tries=$((tries + 1))
    [ $tries -le 300 ] || fail "no window \"Quillmere 1.1\" within 30 s"
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before showing its window"
    sleep 0.1
    windows=$(xdotool search --onlyvisible --name '^Quillmere 1\.1$' 2>/dev/null) || true
done
sleep 0.5
windows=$(xdotool search --onlyvisible --name '^Quillmere 1\.1$')
[ "$(echo "$windows" | wc -l)" -eq 1 ] || fail "more than one window titled Quillmere 1.1"
visible=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l) || true
[ "$visible" -eq 1 ] || fail "the program shows $visible windows, not one"
window=$windows

# No window manager: the outer size is the client size.
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -eq 316 ] && [ "$HEIGHT" -eq 393 ] || fail "window is ${WIDTH}x${HEIGHT}"
[ "$X" -eq $(((screen_w - 316) / 2)) ] && [ "$Y" -eq $(((screen_h - 393) / 2)) ] \
    || fail "window at $X,$Y, not centred"

[ -f "$work/program/shiwu.edb" ] && [ -f "$work/program/renwu.edb" ] \
    || fail "the record files are not in the program folder"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the program wrote into the directory it was started from"

xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool key --clearmodifiers Escape
tries=0
while kill -0 "$app_pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || fail "the program did not end within 10 s of Esc"
    sleep 0.1
done
code=0
wait "$app_pid" || code=$?
app_pid=
[ "$code" -eq 0 ] || fail "exit code $code"
echo "PASS: one centred window, records beside the program, Esc ended it with 0"
