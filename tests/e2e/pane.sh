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
#   renderer-killed  the pane's renderer is killed; typing goes on reaching the
#                    page, and the pane comes to show it
#   runaway-script   an endless script makes the pane replace its page, again and
#                    again while it is in; typing goes on reaching the page; taken
#                    out, the pane shows the page and the stuck renderers are gone
#   page-dialogs     an endless loop of alerts: no window opens, every key
#                    reaches the page, and the program still ends cleanly
#   follow-edit      eight rounds of typing at the end and at the start of a
#                    long page: each time the change comes into view, and a
#                    change already in view leaves the page where it is
set -u

CASES="renderer-killed|runaway-script|page-dialogs|follow-edit"
[ $# -eq 2 ] && [[ $2 =~ ^($CASES)$ ]] || { echo "usage: $0 PROGRAM $CASES" >&2; exit 2; }
PROGRAM=$1 CASE=$2

. "$(dirname "$0")/lib.sh"

require_tools curl python3

DEBUG_PORT=$((20000 + $$ % 20000))

# The pane's renderer processes: children of the engine's zygote, which the
# program started (a renderer is forked from the zygote and keeps its
# command line).
renderers() { local z; z=$(pgrep -d, -f -P "$APP_PID" type=zygote) && pgrep -P "$z"; }
one_renderer() { [ "$(renderers | wc -l)" -eq 1 ]; }
renderer_other_than() { local r; r=$(renderers); [ -n "$r" ] && [ "$r" != "$1" ]; }

# log_has TEXT N: the program has said TEXT at least N times.
log_has() { [ "$(grep -c "$1" "$E2E_TMP/program.log")" -ge "$2" ]; }

# Real keys, no click: the page holds everything typed so far (TYPED).
TYPED=""
type_on() { type_text "$1"; TYPED+=$1; page_is "$TYPED"; }
erase() { key --repeat "$1" BackSpace; TYPED=${TYPED::-$1}; page_is "$TYPED"; }

# The title of the learner's page, as the engine's debugging port lists it.
page_title() {
    curl -s --max-time 2 "http://127.0.0.1:$DEBUG_PORT/json/list" | python3 -c '
import json, sys
print(next((t["title"] for t in json.load(sys.stdin) if t["url"].endswith("/customizer.html")), ""))'
}
title_is() { [[ "$(page_title)" == $1 ]]; }
# title_becomes PATTERN WHAT: the page's title comes to match PATTERN.
title_becomes() {
    wait_for "$BOUND_PAGE" title_is "$1" || fail "waited for $2: the page's title is \"$(page_title)\""
}

# Lesson 1's one window is still the only one, and has the keyboard.
no_other_window() {
    only_window "Quorvel - HTML Lesson 1" && has_focus ||
        fail "another window came up, or Lesson 1 lost the keyboard"
}


start_x
start_program env QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:$DEBUG_PORT "$PROGRAM"
wait_screen "Quorvel - HTML Lesson 1"
page_is ""
# The engine's throwaway start-up page has gone with its renderer.
wait_until "$BOUND_WINDOW" "the pane's renderer alone" one_renderer

case "$CASE" in
renderer-killed)
    # Everything after an open <title> is the page's title.
    type_on "<title>t"
    for round in 1 2 3; do
        step "the pane's renderer is killed (round $round); the learner types on without a click"
        r=$(renderers)
        kill -KILL "$r"
        wait_until "$BOUND_WINDOW" "a new renderer for the pane" renderer_other_than "$r"
        wait_until "$BOUND_WINDOW" "the program to note the restart" log_has "renderer gone" "$round"
        type_on "X$round"
        title_becomes "${TYPED#<title>}" "the pane to show the keys typed after the kill"
    done ;;
runaway-script)
    step "an endless script: the pane replaces its page, keys still reach the page"
    script='<script>while(true){}</script>'
    type_on "<p>a</p>$script"
    wait_until "$BOUND_WINDOW" "the pane to replace its stuck page" log_has "page replaced" 1
    # Every key now goes to a fresh page, and with it a fresh focus child.
    type_on "<p>more keys</p>"
    step "the script taken out with keys alone; the pane shows the page, the stuck renderers are gone"
    erase $((16 + ${#script}))
    type_on "<title>b</title>"
    title_becomes b "the page without the script"
    wait_until "$BOUND_WINDOW" "the pane's renderer alone" one_renderer ;;
page-dialogs)
    # What each dialog says and answers, that none opens a window, and a
    # page that refreshes itself, are tst_robust's (pageActs); here the keys
    # typed while a page says something without end.
    type_on "<p>a</p>"
    step "an endless stream of alerts: the keys reach the page, then SIGTERM ends the program"
    type_on "<script>while(true){alert(1)}</script>"
    wait_until "$BOUND_WINDOW" "the pane to replace its stuck page" log_has "page replaced" 1
    type_on "<p>still typing</p>"
    no_other_window
    kill -TERM "$APP_PID"
    expect_exit 0 ;;
follow-edit)
    step "a page of 80 paragraphs, made by copy and paste"
    crlf() { page_is "${TYPED//$'\n'/$'\r\n'}"; }
    TYPED=$'<p>x</p>\n<p>x</p>\n<p>x</p>\n<p>x</p>\n<p>x</p>\n'
    type_text "$TYPED"
    crlf
    for double in 1 2 3 4; do
        key ctrl+a ctrl+c ctrl+End ctrl+v
        TYPED+=$TYPED
        crlf
    done
    # The page says in its title whether its <U> and its <I> stand in view,
    # how its text ends, its scroll and its scripts; the pane follows the
    # edit from a script world of its own, which adds none to the page.
    key ctrl+Home
    probe='<script>setInterval(function(){var v=function(s){var e=document.querySelector(s);if(!e)return"-";var b=e.getBoundingClientRect();return b.top>=0&&b.bottom<=innerHeight?"in":"out"};document.title="tail:"+v("u")+" head:"+v("i")+" end:"+document.body.textContent.trim().slice(-4)+" y:"+scrollY+" scripts:"+document.scripts.length},50)</script>'
    type_text "$probe"
    TYPED=$probe$TYPED
    crlf
    for round in $(seq 1 8); do
        step "round $round: typed at the end, the change comes into view"
        key ctrl+End
        type_text "<U>tail</U>"
        title_becomes "tail:in head:- end:tail y:* scripts:1" "the end to come into view"
        y=$(page_title) && y=${y#* y:} && y=${y%% *}
        type_text "!"
        title_becomes "tail:in head:- end:ail! y:$y scripts:1" "a change in view to leave the scroll"
        step "round $round: typed at the start, the top comes back into view"
        key ctrl+Home
        type_text "<I>head</I>"
        title_becomes "tail:out head:in end:ail! y:0 scripts:1" "the start to come into view"
        key --repeat 11 BackSpace
        key ctrl+End
        key --repeat 12 BackSpace
        crlf
    done ;;
esac
echo "PASS: $CASE"
