#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/screenshots.sh BUILD_DIR
# Renders every screen of the course under a private Xvfb (96 dpi, software
# rendering) as it first appears, and each lesson and practice once more after
# all its Show Me or Answer buttons are pressed, into BUILD_DIR/screenshots/,
# with overflow.txt: the texts that need more room than their boxes give.
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR}
tool=$build/tools/quorvel-shot
out=$build/screenshots
[ -x "$tool" ] || { echo "screenshots: $tool is not built" >&2; exit 1; }
mkdir -p "$out"

home=$(mktemp -d)
displayfile=$(mktemp)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$home"
    rm -f "$displayfile"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -dpi 96 3>"$displayfile" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.05; done
[ -s "$displayfile" ] || { echo "screenshots: Xvfb did not start" >&2; exit 1; }

export DISPLAY=:$(cat "$displayfile")
export HOME=$home QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software
export LC_TIME=${LC_TIME:-en_US.UTF-8}

shoot() { # SCREEN FILE [--pressed]
    local screen=$1 file=$2
    shift 2
    if "$tool" "$screen" "$out/$file" "$@" 2>"$home/log"; then
        echo "screenshots: $out/$file"
    else
        cat "$home/log" >&2
        echo "screenshots: $screen failed" >&2
        return 1
    fi
}

status=0
for screen in frmSplash Form1 Form1Test Form2 Form2Test Form3 Form3Tutorial formFinal; do
    shoot "$screen" "$screen.png" || status=1
done
for screen in Form1 Form1Test Form2 Form2Test Form3 Form3Tutorial; do
    shoot "$screen" "$screen-pressed.png" --pressed || status=1
done
# What the boxes cut off, as the faces in use measure it.
if "$tool" --overflow >"$out/overflow.txt" 2>"$home/log"; then
    echo "screenshots: texts that do not fit their boxes ($out/overflow.txt):"
    sed 's/^/  /' "$out/overflow.txt"
fi
exit $status
