# Shared by the end-to-end walks: a private X server, the program under test,
# bounded waits, and reading what a person at the screen could see.
# Sourced by bash scripts; needs Xvfb, xdotool, xwininfo (x11-utils) and
# import (imagemagick).

# Every wait polls its condition this often, up to its own bound.
readonly POLL=0.05
# Bounds for the waits. They are generous on purpose: the browser engine starts
# a renderer for every workspace screen, and two cores may be busy with builds.
readonly BOUND_WINDOW=30 # a screen appearing (loading includes the preview)
readonly BOUND_PAGE=15   # the scratch page reaching the expected bytes
readonly BOUND_EXIT=15   # the process ending

# The desktop the walks run on, in pixels.
readonly DESK_W=1280 DESK_H=1024

step="setting up"
E2E_KEEP=0
APP_PID="" XVFB_PID=""

# A fresh folder for this run: the X server's display file, the program's HOME
# and log, and the screenshot of a failure.
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX") || exit 1
APP_HOME=$E2E_TMP/home
PAGE=$APP_HOME/customizer.html
mkdir -m 700 "$APP_HOME" "$E2E_TMP/runtime"

e2e_cleanup() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    if [ "$E2E_KEEP" = 0 ]; then
        rm -rf -- "$E2E_TMP"
    fi
}
trap e2e_cleanup EXIT

# Ends the walk: names the step, saves what the screen showed, keeps the folder.
fail() {
    E2E_KEEP=1
    echo "FAIL at step \"$step\": $*" >&2
    if [ -n "$XVFB_PID" ] && ! kill -0 "$XVFB_PID" 2>/dev/null; then
        echo "the private X server is no longer running (its log: $E2E_TMP/xvfb.log)" >&2
    fi
    if [ -n "${DISPLAY:-}" ] && import -window root "$E2E_TMP/failure.png" 2>/dev/null; then
        echo "screenshot of the screen at the failure: $E2E_TMP/failure.png" >&2
    fi
    if [ -s "$E2E_TMP/program.log" ]; then
        echo "--- the program's output (last lines; all of it in $E2E_TMP/program.log):" >&2
        tail -n 15 "$E2E_TMP/program.log" >&2
    fi
    exit 1
}

xdpyinfo_ok() { xdpyinfo >/dev/null 2>&1; }

step() {
    step=$1
    echo "step: $1"
}

now() { echo "${EPOCHREALTIME/[.,]/}"; } # microseconds

# A program that ends while the walk still waits on it fails the step at
# once, with its exit status, rather than when the wait runs out.
still_running() {
    [ -n "$APP_PID" ] || return 0
    kill -0 "$APP_PID" 2>/dev/null && return 0
    local status=0
    wait "$APP_PID" || status=$?
    APP_PID=""
    fail "the program ended unexpectedly, exit status $status"
}

# wait_until SECONDS WHAT COMMAND [ARGS...]: polls COMMAND until it succeeds;
# fails the step after SECONDS, saying what it waited for.
wait_until() {
    local bound=$1 what=$2
    shift 2
    local deadline=$(($(now) + bound * 1000000))
    until "$@"; do
        [ "$1" = process_ended ] || still_running
        if [ "$(now)" -gt "$deadline" ]; then
            fail "waited ${bound} s for $what"
        fi
        sleep "$POLL"
    done
}

require_tools() {
    local t missing=""
    for t in Xvfb xdotool xwininfo xdpyinfo import "$@"; do
        command -v "$t" >/dev/null 2>&1 || missing="$missing $t"
    done
    if [ -n "$missing" ]; then
        echo "SKIP: missing$missing (scripts/install-deps.sh test installs them)"
        exit 77
    fi
}

start_x() {
    step "starting a private X server"
    Xvfb -displayfd 3 -screen 0 "${DESK_W}x${DESK_H}x24" -dpi 96 -nolisten tcp -noreset \
        3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
    XVFB_PID=$!
    # -displayfd writes the display number once the server accepts clients.
    wait_until 20 "Xvfb to report its display" test -s "$E2E_TMP/display"
    DISPLAY=:$(head -n 1 "$E2E_TMP/display")
    export DISPLAY
    wait_until 20 "the X server on $DISPLAY to answer" xdpyinfo_ok
}

# start_program [COMMAND...]: the built program by default.
start_program() {
    step "starting the program"
    [ $# -gt 0 ] || set -- "$PROGRAM"
    # The walk computes places in pixels from twips at 96 dpi: no scaling.
    env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR \
        -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI -u XAUTHORITY \
        HOME=$APP_HOME XDG_RUNTIME_DIR=$E2E_TMP/runtime QT_QPA_PLATFORM=xcb \
        QT_QUICK_BACKEND=software LANG=C.UTF-8 LC_ALL= \
        "$@" >"$E2E_TMP/program.log" 2>&1 &
    APP_PID=$!
}

# The program's windows that are on the screen (mapped), one id a line.
mapped_windows() {
    xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null
}

title_of() { xdotool getwindowname "$1" 2>/dev/null; }

# Sets WIN_X WIN_Y WIN_W WIN_H (pixels, the client area: there is no window
# manager, so no frame) of window $1.
read_geometry() {
    local info
    info=$(xwininfo -id "$1" 2>/dev/null) || return 1
    WIN_X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    WIN_Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    WIN_W=$(sed -n 's/^ *Width: *//p' <<<"$info")
    WIN_H=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

is_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# True when exactly one of the program's windows is on view and its title is
# $1; WIN is that window.
only_window_titled() {
    local ids
    ids=$(mapped_windows) || return 1
    [ "$(wc -l <<<"$ids")" -eq 1 ] || return 1
    [ "$(title_of "$ids")" = "$1" ] || return 1
    WIN=$ids
}

# True when exactly one window is on view and it has the client size $1 x $2.
only_window_sized() {
    local ids
    ids=$(mapped_windows) || return 1
    [ "$(wc -l <<<"$ids")" -eq 1 ] || return 1
    read_geometry "$ids" || return 1
    [ "$WIN_W" -eq "$1" ] && [ "$WIN_H" -eq "$2" ] || return 1
    WIN=$ids
}

no_window_mapped() { ! mapped_windows >/dev/null; }

process_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Layout places are in twips; 15 twips make one pixel, rounded to nearest.
px() { echo $((($1 + 7) / 15)); }

# Checks that window WIN has the client size given in twips and stands
# centred on the desktop (to the pixel: the centring works in twips).
expect_size_and_centred() {
    local w h
    w=$(px "$1") h=$(px "$2")
    read_geometry "$WIN" || fail "window $WIN vanished"
    [ "$WIN_W" -eq "$w" ] && [ "$WIN_H" -eq "$h" ] ||
        fail "window is ${WIN_W}x${WIN_H} px, expected ${w}x${h} px ($1 x $2 twips)"
    local cx=$(((DESK_W - WIN_W) / 2)) cy=$(((DESK_H - WIN_H) / 2))
    [ $((WIN_X - cx)) -ge -1 ] && [ $((WIN_X - cx)) -le 1 ] &&
        [ $((WIN_Y - cy)) -ge -1 ] && [ $((WIN_Y - cy)) -le 1 ] ||
        fail "window stands at +$WIN_X+$WIN_Y, centred would be +$cx+$cy"
}

# wait_screen TITLE: the given screen becomes the only one on view and takes
# the keyboard focus (so keys go to it, as they would for a person).
wait_screen() {
    wait_until "$BOUND_WINDOW" "\"$1\" to be the only window on view" only_window_titled "$1"
    wait_until "$BOUND_WINDOW" "\"$1\" to have the keyboard focus" has_focus "$WIN"
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# click X Y: a left click at pixel (X, Y) of window WIN's client area.
click() {
    read_geometry "$WIN" || fail "window $WIN vanished before a click"
    xdotool mousemove --sync $((WIN_X + $1)) $((WIN_Y + $2)) click 1
}

# click_box LEFT TOP WIDTH HEIGHT [ORIGIN_LEFT ORIGIN_TOP]: clicks the middle
# of a control whose box is given in twips inside a container at ORIGIN.
click_box() {
    local ox=${5:-0} oy=${6:-0}
    click $(($(px "$ox") + $(px "$1") + $(px "$3") / 2)) $(($(px "$oy") + $(px "$2") + $(px "$4") / 2))
}

key() { xdotool key --clearmodifiers "$@"; }

# type_text TEXT [DELAY_MS]: real key presses for every character; a line
# break in TEXT presses Return (xdotool's own newline sends a Linefeed key,
# which an editor does not take for Enter).
type_text() {
    local delay=${2:-12} rest=$1 line
    while :; do
        line=${rest%%$'\n'*}
        [ -z "$line" ] || xdotool type --delay "$delay" -- "$line"
        [ "$line" = "$rest" ] && break
        xdotool key Return
        rest=${rest#*$'\n'}
    done
}

# page_is BYTES: the scratch page holds exactly BYTES (waits for it).
page_is() {
    printf '%s' "$1" >"$E2E_TMP/expected"
    if ! wait_quietly "$BOUND_PAGE" cmp -s "$PAGE" "$E2E_TMP/expected"; then
        {
            echo "--- expected page ($(wc -c <"$E2E_TMP/expected") bytes, ^M is CR):"
            cat -A "$E2E_TMP/expected" | head -n 20
            echo "--- the page on disk ($(wc -c <"$PAGE" 2>/dev/null || echo missing) bytes):"
            [ -f "$PAGE" ] && cat -A "$PAGE" | head -n 20
        } >&2
        fail "the scratch page does not hold the expected text"
    fi
}

# Like wait_until, but returns 1 on timeout instead of failing the step.
wait_quietly() {
    local bound=$1
    shift
    local deadline=$(($(now) + bound * 1000000))
    until "$@"; do
        still_running
        [ "$(now)" -gt "$deadline" ] && return 1
        sleep "$POLL"
    done
}

# expect_exit STATUS: the program ends by itself with STATUS.
expect_exit() {
    wait_until "$BOUND_EXIT" "the program to end" process_ended
    local status=0
    wait "$APP_PID" || status=$?
    APP_PID=""
    [ "$status" -eq "$1" ] || fail "the program ended with status $status, expected $1"
}

# What a window manager is told about window WIN, and so what it draws:
# the title bar's icon sizes, whether the window can be resized, its kind.
icon_sizes() { xprop -id "$WIN" _NET_WM_ICON 2>/dev/null | sed -n 's/.*Icon (\([0-9]*\) x \([0-9]*\)).*/\1x\2/p' | sort -n | tr '\n' ' '; }
is_fixed_size() {
    local hints
    hints=$(xprop -id "$WIN" WM_NORMAL_HINTS 2>/dev/null)
    grep -q "program specified minimum size: $WIN_W by $WIN_H" <<<"$hints" &&
        grep -q "program specified maximum size: $WIN_W by $WIN_H" <<<"$hints"
}
is_splash_kind() {
    xprop -id "$WIN" _NET_WM_WINDOW_TYPE _NET_WM_STATE 2>/dev/null |
        grep -q -E '_NET_WM_WINDOW_TYPE_SPLASH|_NET_WM_STATE_SKIP_TASKBAR'
}
