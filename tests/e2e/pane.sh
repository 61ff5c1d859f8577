#!/bin/bash
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

[ $# -eq 2 ] || { echo "usage: $0 PROGRAM CASE" >&2; exit 2; }
PROGRAM=$1 CASE=$2

# The full disk is a small tmpfs in a mount namespace of the test's own.
if [ "$CASE" = disk-full ] && [ -z "${QUORVEL_PANE_NS:-}" ]; then
    if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
        echo "SKIP: a small disk needs root and unshare"
        exit 77
    fi
    QUORVEL_PANE_NS=1 exec unshare -m --propagation private bash "$0" "$@"
fi

. "$(dirname "$0")/lib.sh"

require_tools curl

LESSON1="Quorvel - HTML Lesson 1"
DEBUG_PORT=$((20000 + $$ % 20000))

# The pane's renderer processes: children of the engine's zygote, which the
# program started (a renderer is forked from the zygote and keeps its
# command line).
renderers() {
    local pid ppid args
    declare -A zygotes=()
    while read -r pid ppid args; do
        if [ "$ppid" = "$APP_PID" ] && [[ "$args" == *--type=zygote* ]]; then
            zygotes[$pid]=1
        elif [ -n "${zygotes[$ppid]:-}" ]; then
            echo "$pid"
        fi
    done < <(ps -e -o pid=,ppid=,args= --sort=start_time)
}
one_renderer() { [ "$(renderers | wc -l)" -eq 1 ]; }
renderer_other_than() { local r; r=$(renderers); [ -n "$r" ] && [ "$r" != "$1" ]; }

# What the pane's page is, as "URL|TITLE" (the engine's debugging list).
pane_page() {
    curl -s --max-time 2 "http://127.0.0.1:$DEBUG_PORT/json/list" |
        python3 -c 'import json,sys; [print(p["url"] + "|" + p["title"]) for p in json.load(sys.stdin) if p["type"] == "page"]'
}

start_lesson1() {
    start_x
    start_program env QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:$DEBUG_PORT "$PROGRAM"
    wait_screen "$LESSON1"
    page_is ""
    # The engine's throwaway start-up page has gone with its renderer.
    wait_until "$BOUND_WINDOW" "the pane's renderer alone" one_renderer
}

case_renderer_killed() {
    start_lesson1
    type_text "before"
    page_is "before"
    local text=before r
    for round in 1 2 3; do
        step "the pane's renderer is killed (round $round); the learner types on without a click"
        r=$(renderers)
        kill -KILL "$r"
        wait_until "$BOUND_WINDOW" "a new renderer for the pane" renderer_other_than "$r"
        wait_until "$BOUND_WINDOW" "the program to note the restart" log_says "renderer gone"
        type_text "X$round"
        text+="X$round"
        page_is "$text"
    done
}

case_runaway_script() {
    start_lesson1
    step "an endless script: the pane replaces its page, keys still reach the page"
    local script='<script>while(true){}</script>'
    type_text "<p>a</p>$script"
    page_is "<p>a</p>$script"
    wait_until "$BOUND_WINDOW" "the pane to replace its stuck page" log_says "page replaced"
    # Every key now goes to a fresh page, and with it a fresh focus child.
    type_text "<p>more keys</p>"
    page_is "<p>a</p>$script<p>more keys</p>"

    step "the script taken out with keys alone; the page follows"
    key --repeat 16 BackSpace
    key --repeat ${#script} BackSpace
    type_text "<p>b</p>"
    page_is "<p>a</p><p>b</p>"
}

log_says() { grep -q "$1" "$E2E_TMP/program.log"; }
pane_says() { [[ "$(pane_page)" == *"|$1" ]]; }
# The page about:blank is what a pane shows that has been given nothing.
pane_blank() { [[ "$(pane_page)" == about:blank\|* ]]; }

case_disk_full() {
    mount -t tmpfs -o size=8m quorvel-e2e "$APP_HOME" || { echo "SKIP: no tmpfs here"; exit 77; }
    trap 'umount -l "$APP_HOME"; e2e_cleanup' EXIT
    start_lesson1
    type_text "<B>ok</B>"
    page_is "<B>ok</B>"
    local round
    for round in 1 2 3 4 5 6; do
        step "the disk fills up (round $round); the pane says so"
        mountpoint -q "$APP_HOME" || fail "the small disk is not mounted"
        dd if=/dev/zero of="$APP_HOME/filler" bs=64k count=256 2>/dev/null
        type_text "more"
        page_is "<B>ok</B>"
        # The problem page must come, and no blank page on the way to it.
        local deadline=$(($(now) + BOUND_PAGE * 1000000))
        until pane_says "The preview could not be saved"; do
            pane_blank && fail "the pane went blank instead of saying the page could not be saved"
            [ "$(now)" -gt "$deadline" ] && fail "the pane never said the page could not be saved"
            sleep "$POLL"
        done
        step "room again (round $round); the page follows"
        rm -f "$APP_HOME/filler"
        type_text "!"
        page_is "<B>ok</B>more!"
        key --repeat 5 BackSpace
        page_is "<B>ok</B>"
    done
}

case "$CASE" in
renderer-killed) case_renderer_killed ;;
runaway-script) case_runaway_script ;;
disk-full) case_disk_full ;;
*) echo "unknown case: $CASE" >&2; exit 2 ;;
esac
echo "PASS: $CASE"
