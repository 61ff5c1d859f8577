#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The preview pane's troubles as the learner meets them: the built program
# under a private X server, real key presses and never a click, checked
# through the scratch page and the pane's page as the engine's debugging port
# reports it.
#
#   pane.sh PROGRAM CASE
#
# CASE is one of:
#   renderer-killed  the pane's renderer is killed; typing goes on reaching the page
#   runaway-script   an endless script makes the pane replace its page, again and
#                    again while it is in; typing goes on reaching the page
#   disk-full        the page's disk fills up: each time, the pane says so, and
#                    is never left blank
set -u

[ $# -eq 2 ] && [[ $2 =~ ^(renderer-killed|runaway-script|disk-full)$ ]] ||
    { echo "usage: $0 PROGRAM renderer-killed|runaway-script|disk-full" >&2; exit 2; }
PROGRAM=$1 CASE=$2

# The full disk is a small tmpfs in a mount namespace of the test's own.
if [ "$CASE" = disk-full ] && [ -z "${QUORVEL_PANE_NS:-}" ]; then
    [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null ||
        { echo "SKIP: a small disk needs root and unshare"; exit 77; }
    QUORVEL_PANE_NS=1 exec unshare -m --propagation private bash "$0" "$@"
fi

. "$(dirname "$0")/lib.sh"

require_tools curl

DEBUG_PORT=$((20000 + $$ % 20000))

# The pane's renderer processes: children of the engine's zygote, which the
# program started (a renderer is forked from the zygote and keeps its
# command line).
renderers() { local z; z=$(pgrep -d, -f -P "$APP_PID" type=zygote) && pgrep -P "$z"; }
one_renderer() { [ "$(renderers | wc -l)" -eq 1 ]; }
renderer_other_than() { local r; r=$(renderers); [ -n "$r" ] && [ "$r" != "$1" ]; }

# log_has TEXT N: the program has said TEXT at least N times.
log_has() { [ "$(grep -c "$1" "$E2E_TMP/program.log")" -ge "$2" ]; }

# The page that says the page could not be saved, and never about:blank (what
# a pane given nothing shows) on the way to it, in the engine's debugging list.
problem_shown() {
    local pages
    pages=$(curl -s --max-time 2 "http://127.0.0.1:$DEBUG_PORT/json/list")
    [[ "$pages" != *'"url": "about:blank"'* ]] ||
        fail "the pane went blank instead of saying the page could not be saved"
    [[ "$pages" == *'"title": "The preview could not be saved"'* ]]
}

# Real keys, no click: the page holds everything typed so far (TYPED).
TYPED=""
type_on() { type_text "$1"; TYPED+=$1; page_is "$TYPED"; }
erase() { key --repeat "$1" BackSpace; TYPED=${TYPED::-$1}; page_is "$TYPED"; }

if [ "$CASE" = disk-full ]; then
    mount -t tmpfs -o size=8m quorvel-e2e "$APP_HOME" || { echo "SKIP: no tmpfs here"; exit 77; }
    trap 'umount -l "$APP_HOME"; e2e_cleanup' EXIT
fi
start_x
start_program env QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:$DEBUG_PORT "$PROGRAM"
wait_screen "Quorvel - HTML Lesson 1"
page_is ""
# The engine's throwaway start-up page has gone with its renderer.
wait_until "$BOUND_WINDOW" "the pane's renderer alone" one_renderer

case "$CASE" in
renderer-killed)
    type_on "before"
    for round in 1 2 3; do
        step "the pane's renderer is killed (round $round); the learner types on without a click"
        r=$(renderers)
        kill -KILL "$r"
        wait_until "$BOUND_WINDOW" "a new renderer for the pane" renderer_other_than "$r"
        wait_until "$BOUND_WINDOW" "the program to note the restart" log_has "renderer gone" "$round"
        type_on "X$round"
    done ;;
runaway-script)
    step "an endless script: the pane replaces its page, keys still reach the page"
    script='<script>while(true){}</script>'
    type_on "<p>a</p>$script"
    wait_until "$BOUND_WINDOW" "the pane to replace its stuck page" log_has "page replaced" 1
    # Every key now goes to a fresh page, and with it a fresh focus child.
    type_on "<p>more keys</p>"
    step "the script taken out with keys alone; the page follows"
    erase $((16 + ${#script}))
    type_on "<p>b</p>" ;;
disk-full)
    type_on "<B>ok</B>"
    for round in 1 2 3 4 5 6; do
        step "the disk fills up (round $round); the pane says so"
        mountpoint -q "$APP_HOME" || fail "the small disk is not mounted"
        dd if=/dev/zero of="$APP_HOME/filler" bs=64k count=256 2>/dev/null
        type_text "more"
        page_is "$TYPED"
        TYPED+=more
        wait_until "$BOUND_PAGE" "the pane to say the page could not be saved" problem_shown
        step "room again (round $round); the page follows"
        rm -f "$APP_HOME/filler"
        type_on "!"
        erase 5
    done ;;
esac
echo "PASS: $CASE"
