# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the end-to-end tests: a private X server, the program under test,
# bounded waits, and reading what a person at the screen could see.
# Sourced by bash scripts; needs Xvfb, xdotool, xdpyinfo and xprop (x11-utils)
# and import (imagemagick).

# Every wait polls its condition this often, up to its own bound. The bounds are
# generous on purpose: the browser engine starts a renderer for every workspace
# screen, and two cores may be busy with builds.
readonly POLL=0.05 BOUND_WINDOW=30 BOUND_PAGE=15 BOUND_EXIT=15
# The desktop the walks run on, in pixels.
readonly DESK_W=1280 DESK_H=1024

step="setting up" E2E_KEEP=0 APP_PID="" XVFB_PID=""

# A fresh folder for this run: the X server's display file, the program's HOME
# and log, and the screenshot of a failure.
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX") || exit 1
APP_HOME=$E2E_TMP/home
PAGE=$APP_HOME/customizer.html
mkdir -m 700 "$APP_HOME" "$E2E_TMP/runtime"

e2e_cleanup() {
    local pid
    for pid in $APP_PID $XVFB_PID; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    [ "$E2E_KEEP" = 1 ] || rm -rf -- "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Ends the test: names the step, saves what the screen showed, keeps the folder.
fail() {
    E2E_KEEP=1
    echo "FAIL at step \"$step\": $*" >&2
    [ -z "$XVFB_PID" ] || kill -0 "$XVFB_PID" 2>/dev/null ||
        echo "the private X server has ended (its log: $E2E_TMP/xvfb.log)" >&2
    [ -n "${DISPLAY:-}" ] && import -window root "$E2E_TMP/failure.png" 2>/dev/null &&
        echo "the screen at the failure: $E2E_TMP/failure.png" >&2
    [ -s "$E2E_TMP/program.log" ] && { echo "--- the program's last output (all: $E2E_TMP/program.log):"
        tail -n 15 "$E2E_TMP/program.log"; } >&2
    exit 1
}

step() { step=$1; echo "step: $1"; }

now() { echo "${EPOCHREALTIME/[.,]/}"; } # microseconds

process_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Reaps the ended program: STATUS is its exit status.
reap() { STATUS=0; wait "$APP_PID" || STATUS=$?; APP_PID=""; }

# wait_for SECONDS COMMAND [ARGS...]: polls COMMAND until it succeeds; returns 1
# after SECONDS. A program that ends meanwhile fails the step at once.
wait_for() {
    local deadline=$(($(now) + $1 * 1000000))
    shift
    until "$@"; do
        if [ "$1" != process_ended ] && [ -n "$APP_PID" ] && process_ended; then
            reap
            fail "the program ended unexpectedly, exit status $STATUS"
        fi
        [ "$(now)" -gt "$deadline" ] && return 1
        sleep "$POLL"
    done
}

# wait_until SECONDS WHAT COMMAND [ARGS...]: wait_for, failing the step with WHAT.
wait_until() { wait_for "$1" "${@:3}" || fail "waited $1 s for $2"; }

require_tools() {
    local t missing=""
    for t in Xvfb xdotool xdpyinfo xprop import "$@"; do
        command -v "$t" >/dev/null 2>&1 || missing="$missing $t"
    done
    [ -z "$missing" ] || { echo "SKIP: missing$missing (scripts/install-deps.sh test installs them)"; exit 77; }
}

start_x() {
    step "starting a private X server"
    Xvfb -displayfd 3 -screen 0 "${DESK_W}x${DESK_H}x24" -dpi 96 -nolisten tcp -noreset \
        3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
    XVFB_PID=$!
    # -displayfd writes the display number once the server accepts clients.
    wait_until 20 "Xvfb to report its display" test -s "$E2E_TMP/display"
    export DISPLAY=:$(head -n 1 "$E2E_TMP/display")
    wait_until 20 "the X server on $DISPLAY to answer" x_answers
}
x_answers() { xdpyinfo >/dev/null 2>&1; }

# start_program [COMMAND...]: the built program by default.
start_program() {
    step "starting the program"
    [ $# -gt 0 ] || set -- "$PROGRAM"
    # The walks compute places in pixels from twips at 96 dpi: no scaling.
    env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR \
        -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI -u XAUTHORITY \
        HOME=$APP_HOME XDG_RUNTIME_DIR=$E2E_TMP/runtime QT_QPA_PLATFORM=xcb \
        QT_QUICK_BACKEND=software LANG=C.UTF-8 LC_ALL= "$@" >"$E2E_TMP/program.log" 2>&1 &
    APP_PID=$!
}

# Sets X Y WIDTH HEIGHT (pixels, the client area: there is no window manager,
# so no frame) of window WIN.
geometry() { local g; g=$(xdotool getwindowgeometry --shell "$WIN" 2>/dev/null) && eval "$g"; }

# True when exactly one of the program's windows is on view and its title is
# $1; WIN is that window.
only_window() {
    local ids
    ids=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null) || return 1
    [ "$(wc -l <<<"$ids")" -eq 1 ] && [ "$(xdotool getwindowname "$ids" 2>/dev/null)" = "$1" ] &&
        WIN=$ids
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WIN" ]; }

# wait_screen TITLE: the given screen becomes the only one on view and takes
# the keyboard focus (so keys go to it, as they would for a person).
wait_screen() {
    wait_until "$BOUND_WINDOW" "\"$1\" to be the only window on view" only_window "$1"
    wait_until "$BOUND_WINDOW" "\"$1\" to have the keyboard focus" has_focus
}

# Layout places are in twips; 15 twips make one pixel, rounded to nearest.
px() { echo $((($1 + 7) / 15)); }

# expect_size_and_centred WIDTH HEIGHT: window WIN has this client size in twips
# and stands centred on the desktop (to the pixel: the centring works in twips).
expect_size_and_centred() {
    local w h
    w=$(px "$1") h=$(px "$2")
    geometry || fail "window $WIN vanished"
    [ "$WIDTH" -eq "$w" ] && [ "$HEIGHT" -eq "$h" ] ||
        fail "window is ${WIDTH}x$HEIGHT px, expected ${w}x$h px ($1 x $2 twips)"
    local dx=$((X - (DESK_W - w) / 2)) dy=$((Y - (DESK_H - h) / 2))
    [ $((dx * dx)) -le 1 ] && [ $((dy * dy)) -le 1 ] ||
        fail "window stands at +$X+$Y, $dx,$dy px off the centre"
}

# click_at X Y: a left click at the point (X, Y), in twips, of window WIN's client area.
click_at() {
    geometry || fail "window $WIN vanished before a click"
    xdotool mousemove --sync $((X + $(px "$1"))) $((Y + $(px "$2"))) click 1
}

key() { xdotool key --clearmodifiers "$@"; }

# type_text TEXT [DELAY_MS]: real key presses for every character; a line
# break in TEXT presses Return (xdotool's own newline sends a Linefeed key,
# which an editor does not take for Enter).
type_text() {
    local line first=1
    while IFS= read -r line; do
        [ "$first" = 1 ] || xdotool key Return
        [ -z "$line" ] || xdotool type --delay "${2:-12}" -- "$line"
        first=0
    done <<<"$1"
}

# page_is BYTES: the scratch page comes to hold exactly BYTES.
page_is() {
    printf '%s' "$1" >"$E2E_TMP/expected"
    wait_for "$BOUND_PAGE" cmp -s "$PAGE" "$E2E_TMP/expected" && return
    { echo "--- expected page (^M is CR):"; cat -A "$E2E_TMP/expected" | head -n 20
      echo "--- the page on disk:"; cat -A "$PAGE" | head -n 20; } >&2
    fail "the scratch page does not hold the expected text"
}

# expect_exit STATUS: the program ends by itself with STATUS.
expect_exit() {
    wait_until "$BOUND_EXIT" "the program to end" process_ended
    reap
    [ "$STATUS" -eq "$1" ] || fail "the program ended with status $STATUS, expected $1"
}

log_says() { grep -q "$1" "$E2E_TMP/program.log"; }
