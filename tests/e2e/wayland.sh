#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a native Wayland client, under a headless weston: it starts,
# writes its page, the preview loads it (as the browser engine's own list of
# pages shows), and SIGTERM ends it as "Exit" does, with status 0.
#   wayland.sh PROGRAM
set -u
PROGRAM=$1
. "$(dirname "$0")/lib.sh"
unset DISPLAY
for t in weston python3 curl; do
    command -v $t >/dev/null || { echo "SKIP: no $t (scripts/install-deps.sh test installs it)"; exit 77; }
done

step "starting weston, headless"
export XDG_RUNTIME_DIR=$E2E_TMP/runtime
weston --backend=headless-backend.so --socket=wayland-quorvel --idle-time=0 >"$E2E_TMP/weston.log" 2>&1 &
WESTON_PID=$!
trap 'kill $WESTON_PID 2>/dev/null; e2e_cleanup' EXIT
wait_for 20 test -S "$XDG_RUNTIME_DIR/wayland-quorvel" ||
    { echo "SKIP: weston does not start here: $(tail -n 1 "$E2E_TMP/weston.log")"; exit 77; }

step "starting the program on the wayland platform; Lesson 1's preview loads its page"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
HOME=$APP_HOME WAYLAND_DISPLAY=wayland-quorvel QT_QPA_PLATFORM=wayland \
    QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:$port "$PROGRAM" >"$E2E_TMP/program.log" 2>&1 &
APP_PID=$!
preview_shows_page() { curl -s --max-time 2 "http://127.0.0.1:$port/json/list" | grep -qF "\"file://$PAGE\""; }
wait_until "$BOUND_WINDOW" "the preview to load file://$PAGE" preview_shows_page
[ -f "$PAGE" ] || fail "the preview shows a page that is not on disk"

step "SIGTERM ends the program with status 0"
kill -TERM "$APP_PID"
expect_exit 0
echo "PASS: wayland"
