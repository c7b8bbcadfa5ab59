#!/bin/sh
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Quillmere developers
#
# Installs the Debian packages that building, running and testing need and
# that are not installed yet: apt-get as root, sudo otherwise.
set -eu

packages="
build-essential cmake pkg-config
qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libxkbcommon-dev
fonts-wqy-microhei
clang libclang-rt-14-dev
libbenchmark-dev libsqlite3-dev
xvfb xdotool x11-xserver-utils imagemagick
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing missing Debian packages:$missing"
if [ "$(id -u)" = 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    run="sudo"
elif command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
    run="sudo"
else
    echo "Cannot install packages: not root and no sudo. Please install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$run apt-get update -qq
# shellcheck disable=SC2086
$run apt-get install -y -qq --no-install-recommends $missing
