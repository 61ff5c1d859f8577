#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The course as a learner meets it: the built program under a private X
# server, driven only by real key presses and mouse clicks, checked only by
# what a person could see or find: the windows on view, their titles, sizes
# and places, the scratch page on disk, and how the program ends.
#
#   walk.sh PROGRAM XCLOSE SOURCE_DIR WALK
#
# WALK is one of:
#   practice-path  every screen, with typing (200 characters at 5 ms a key),
#                  Show Me, Clear and Answer
#   direct-path    a key press takes the splash away, Lesson 1 follows; then the
#                  lessons only, moved on by access keys
#   close-request  a window closed through the window system ends the program
#   no-page        without a folder for the page the program says so and ends
set -u

[ $# -eq 4 ] || { echo "usage: $0 PROGRAM XCLOSE SOURCE_DIR WALK" >&2; exit 2; }
PROGRAM=$1 XCLOSE=$2 SOURCE_DIR=$3 WALK=$4

. "$(dirname "$0")/lib.sh"

require_tools xwininfo

CRLF=$'\r\n'

# The outside addresses the Lesson 3 texts use are the program's own choice;
# the walk reads them where the program keeps them.
address() { sed -n "s/.*k$1\[\] = \"\(.*\)\";.*/\1/p" "$SOURCE_DIR/src/ui/addresses.h"; }
YAHOO=$(address YahooHost) MICROSOFT=$(address MicrosoftHost)
QUICKEN=$(address QuickenHost) SUPPORT=$(address SupportAddress)
[ -n "$YAHOO" ] && [ -n "$MICROSOFT" ] && [ -n "$QUICKEN" ] && [ -n "$SUPPORT" ] ||
    fail "could not read the course's addresses from src/ui/addresses.h"

# The screens: client width and height, the left edge of the instruction panel
# (Frame3), all in twips; then the title (the splash has none: X shows the
# program's name).
declare -A SCREENS=(
    [splash]="7380 4245 - Quorvel - HTML"
    [L1]="11640 5655 8760 Quorvel - HTML Lesson 1"
    [P1]="11520 5505 8640 Lesson 1 Practice"
    [L2]="11535 5505 8640 Quorvel - HTML Lesson 2"
    [P2]="11535 5490 8640 Lesson 2 Practice"
    [L3]="11535 5520 8640 Quorvel - HTML Lesson 3"
    [P3]="11535 5505 8640 Lesson 3 Practice"
    [final]="8850 4140 - Quorvel - HTML Final"
)

# arrive SCREEN: that screen becomes the only one on view, with the keyboard
# focus, at its own size and centred. HERE names it for the steps that follow.
arrive() {
    local w h title
    read -r w h PANEL title <<<"${SCREENS[$1]}"
    HERE=$1
    step "$1 comes on view"
    wait_screen "$title"
    expect_size_and_centred "$w" "$h"
}

# Every move below is a step of its own; each workspace screen starts with an
# empty page. The Clear button and the editor sit in the editor group at
# (0, 480); buttons in the panel are 375 twips high.
press() { click_at $((PANEL + $1 + $3 / 2)) $(($2 + 187)); } # LEFT TOP WIDTH in the panel
click_clear() { click_at $((3840 + 1095 / 2)) $((480 + 4440 + 187)); }
click_editor() { click_at $((120 + 4815 / 2)) $((480 + 600 + 3615 / 2)); }
# act PAGE COMMAND [ARGS...]: the command, then the page holds PAGE.
act() { step "$HERE: ${*:2}"; "${@:2}"; page_is "$1"; }
show_me() { act "$2" press 1800 "$1" 975; } # TOP of the Show Me button
answer() { act "$1" press 240 5040 1215; }
# go SCREEN COMMAND [ARGS...]: the command moves on to SCREEN.
go() {
    step "$HERE: ${*:2} moves on to $1"
    "${@:2}"
    arrive "$1"
    [ "$1" = final ] || page_is ""
}

# What a window manager is told about WIN: can it be resized, what icons it has.
fixed_size() {
    local hints
    hints=$(xprop -id "$WIN" WM_NORMAL_HINTS)
    [[ $hints == *"minimum size: $WIDTH by $HEIGHT"* && $hints == *"maximum size: $WIDTH by $HEIGHT"* ]]
}
icon_sizes() {
    xprop -id "$WIN" _NET_WM_ICON | sed -n 's/.*Icon (\([0-9]*\) x \([0-9]*\)).*/\1x\2/p' | sort -n | xargs
}

# The splash, announced as one, hands over to Lesson 1 by itself.
splash_then_lesson1() {
    start_program
    arrive splash
    xprop -id "$WIN" _NET_WM_WINDOW_TYPE _NET_WM_STATE | grep -qE '_TYPE_SPLASH|_STATE_SKIP_TASKBAR' ||
        fail "the splash is announced as an ordinary window (title bar, taskbar)"
    arrive L1
    fixed_size || fail "Lesson 1 can be resized"
    [ "$(icon_sizes)" = "16x16 32x32" ] || fail "Lesson 1 shows icons \"$(icon_sizes)\", not 16x16 and 32x32"
    page_is ""
}

walk_practice_path() {
    start_x
    splash_then_lesson1
    # Letters, digits, tags, punctuation that needs Shift, and line breaks.
    local text="" line="<P>Quick <B>brown</B> fox, 12 jumps; (over) the \"lazy\" dog's #1 bed!"
    while [ ${#text} -lt 200 ]; do text+="$line"$'\n'; done
    text=${text:0:200}
    local typed=${text//$'\n'/${CRLF}}
    local ex1="This is regular Text.${CRLF}" ex2="<B> This is Bold. </B>${CRLF}"
    act "$typed" type_text "$text" 5
    show_me 1560 "$typed$ex1"
    show_me 2520 "$typed$ex1$ex2"
    act "$typed$ex1$ex2" click_editor
    key ctrl+End
    act "$typed$ex1$ex2<U>mine</U>" type_text "<U>mine</U>"
    act "" click_clear
    go P1 press 120 5160 1575

    answer "<B> Jack </B> and <B> Jill </B>went up the <U>Hill</U>.<BR>${CRLF}\
The <B>Green Giant</B> favorite food is <I>corn</I>.<BR>${CRLF}\
Big <B>Freddy</B> could no longer go <U>home</U> after eating 12 <I>donuts</I>.<BR>${CRLF}\
<B>Santa Claus</B> is coming to <U>town</U>.<BR>${CRLF}\
<B>I</B> am finally done with this practice and getting out of <U>here</U>.<BR>${CRLF}"
    go L2 key alt+l
    fixed_size && fail "Lesson 2 cannot be resized"

    # Step 3's Show Me has the focus, so Enter presses it.
    local hr="${CRLF}Use the  Horizontal Ruler.  <HR>${CRLF}Great to use to separate pages. <BR>${CRLF}"
    act "$hr" key Return
    show_me 1920 "${hr}I am using a break at the end <BR>${CRLF}This is the second line. <BR>"
    go P2 press 120 5040 1455

    click_editor
    act x type_text x
    answer "xJack <BR> and Jill <BR>went up the Hill.<HR> <BR>${CRLF}\
The Green Giant<BR> favorite food is corn. <P><BR>${CRLF}\
Big Freddy<BR> could no longer go home <HR> after eating 12 donuts. <P> <BR>${CRLF}\
Santa Claus <BR> is coming to town. <HR><BR>${CRLF}\
I <BR> am finally done with this practice and getting out of here. <HR><BR>${CRLF}"
    go L3 press 1680 5040 1095

    local mail="This is an email to <A HREF=mailto: $SUPPORT> Support </A>${CRLF}"
    act "$mail" key Return
    show_me 1680 "${mail}This is a hyperlink to  <A HREF=\"http://$YAHOO\"> yahoo </A>.${CRLF}"
    go P3 press 120 5040 1695

    local answer3="a hyperlink to go to <A HREF=\"http://$MICROSOFT\"> $MICROSOFT </A> , \
<A HREF=\"http://$QUICKEN\"> $QUICKEN </A>, and your favorite website. <BR><BR>${CRLF}\
an email to $SUPPORT and let them know how you like this and what might need to be improve. <BR><BR>${CRLF}"
    answer "$answer3"
    go final press 1680 5040 1095

    step "closing screen: Alt+X ends the program with status 0; the page stays with the last text"
    key alt+x
    expect_exit 0
    page_is "$answer3"
}

# The learner takes the splash away with a key, then goes through the lessons
# only, by access keys; Lesson 1 is hidden as the course moves on,
# never unloaded. The key is Escape: it makes a character, so the splash
# takes it, and should the splash's second be over first, Lesson 1's editor
# ignores it. (That the key, not the tick, took the splash away differs from
# outside only in time: tst_workspace shows it.)
walk_direct_path() {
    start_x
    start_program
    wait_screen "Quorvel - HTML"
    step "a key press takes the splash away, Lesson 1 follows"
    key Escape
    arrive L1
    page_is ""
    local lesson1=$WIN
    go L2 key alt+l
    xwininfo -id "$lesson1" >/dev/null 2>&1 || fail "Lesson 1's window is gone; it should only be hidden"
    go L3 key alt+l
    go final key alt+f
    step "closing screen: the space bar presses Exit, status 0"
    key space
    expect_exit 0
}

# close_then_exit: WIN is closed through the window system and the program
# ends with status 0.
close_then_exit() {
    step "$HERE: closed through the window system"
    "$XCLOSE" "$WIN" || fail "could not send the close request"
    expect_exit 0
}

walk_close_request() {
    start_x
    start_program
    # Closed as soon as it shows: the splash is on view for a second only.
    # Then Lesson 3, reached by a click, closed.
    HERE=splash
    wait_screen "Quorvel - HTML"
    close_then_exit
    [ -f "$PAGE" ] && fail "Lesson 1 was loaded after the splash was closed"

    splash_then_lesson1
    act kept type_text kept
    go L2 key alt+l
    go L3 press 1680 5040 1095
    close_then_exit
    page_is ""
}

walk_no_page() {
    step "the home folder is missing, so the page cannot be made"
    APP_HOME=$E2E_TMP/gone/home PAGE=$E2E_TMP/gone/home/customizer.html
    start_x
    start_program
    wait_until "$BOUND_WINDOW" "the program to name the page it cannot create" \
        log_says "cannot create the preview page $PAGE"
    wait_screen "Quorvel - HTML"
    step "the learner acknowledges the message and the program ends with status 1"
    key Return
    expect_exit 1
    [ -e "$PAGE" ] && fail "a page appeared where no folder was"
    return 0
}

case "$WALK" in
practice-path | direct-path | close-request | no-page) "walk_${WALK//-/_}" ;;
*) echo "unknown walk: $WALK" >&2; exit 2 ;;
esac
echo "PASS: $WALK"
