#!/bin/sh
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Quillmere developers
#
# Draws the program's icon: a day page with ruled lines and a ticked box.
# Usage: scripts/make-icon.sh [out.png]   (default resources/quillmere.png)
set -eu
out=${1:-"$(dirname "$0")/../resources/quillmere.png"}
convert -size 64x64 xc:none \
    -fill '#00000030' -stroke none -draw 'roundrectangle 7,7 59,61 7,7' \
    -fill '#fdf8ec' -stroke '#7a5c2e' -strokewidth 2 -draw 'roundrectangle 5,5 56,58 6,6' \
    -fill '#c0392b' -stroke none -draw 'roundrectangle 5,5 56,17 6,6' -draw 'rectangle 5,12 56,17' \
    -fill '#fdf8ec' -draw 'circle 17,11 17,13' -draw 'circle 44,11 44,13' \
    -stroke '#9fb4c8' -strokewidth 2 -draw 'line 13,27 48,27' -draw 'line 13,35 48,35' \
    -stroke '#5a7d9a' -fill none -strokewidth 2 -draw 'rectangle 13,42 24,53' \
    -stroke '#2e8b57' -strokewidth 3 -draw 'polyline 15,47 19,51 27,40' \
    -stroke '#9fb4c8' -strokewidth 2 -draw 'line 30,48 48,48' \
    -depth 8 -define png:color-type=6 "PNG32:$out"
