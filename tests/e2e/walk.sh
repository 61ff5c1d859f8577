#!/bin/bash
# The course as a learner meets it: the built program under a private X
# server, driven only by real key presses and mouse clicks, checked only by
# what a person could see or find: the windows on view, their titles, sizes
# and places, the scratch page on disk, and how the program ends.
#
#   walk.sh PROGRAM XREQUEST SOURCE_DIR WALK
#
# WALK is one of:
#   practice-path  every screen, with typing, Show Me, Clear and Answer
#   direct-path    the lessons only, moved on by access keys and clicks
#   splash-key     a key press takes the splash away; Lesson 1 follows
#   close-request  a window closed through the window system ends the program
#   fast-typing    200 characters at 5 ms a key all reach the page
#   no-page        without a folder for the page the program says so and ends
set -u

[ $# -eq 4 ] || { echo "usage: $0 PROGRAM XREQUEST SOURCE_DIR WALK" >&2; exit 2; }
PROGRAM=$1 XREQUEST=$2 SOURCE_DIR=$3 WALK=$4

. "$(dirname "$0")/lib.sh"

require_tools

CRLF=$'\r\n'

# The outside addresses the Lesson 3 texts use are the program's own choice;
# the walk reads them where the program keeps them.
address() {
    sed -n "s/.*$1\[\] = \"\(.*\)\";.*/\1/p" "$SOURCE_DIR/src/ui/addresses.h"
}
YAHOO=$(address kYahooHost)
MICROSOFT=$(address kMicrosoftHost)
QUICKEN=$(address kQuickenHost)
SUPPORT=$(address kSupportAddress)
[ -n "$YAHOO" ] && [ -n "$MICROSOFT" ] && [ -n "$QUICKEN" ] && [ -n "$SUPPORT" ] ||
    fail "could not read the course's addresses from src/ui/addresses.h"

# Where the controls are, in twips. The instruction panel (Frame3) starts at
# FRAME3_LEFT; the Clear button sits in the editor group at (0, 480).
FRAME3_LEFT=8640
click_in_panel() { click_box "$1" "$2" "$3" 375 "$FRAME3_LEFT" 0; }
click_clear() { click_box 3840 4440 1095 375 0 480; }
click_editor() { click_box 120 600 4815 3615 0 480; }

# arrive TITLE: that screen becomes the only one on view, with the keyboard
# focus, at its own size and centred; its panel's place is noted for clicks.
arrive() {
    wait_screen "$1"
    case "$1" in
    "Quorvel - HTML Lesson 1") expect_size_and_centred 11640 5655; FRAME3_LEFT=8760 ;;
    "Lesson 1 Practice") expect_size_and_centred 11520 5505; FRAME3_LEFT=8640 ;;
    "Quorvel - HTML Lesson 2") expect_size_and_centred 11535 5505; FRAME3_LEFT=8640 ;;
    "Lesson 2 Practice") expect_size_and_centred 11535 5490; FRAME3_LEFT=8640 ;;
    "Quorvel - HTML Lesson 3") expect_size_and_centred 11535 5520; FRAME3_LEFT=8640 ;;
    "Lesson 3 Practice") expect_size_and_centred 11535 5505; FRAME3_LEFT=8640 ;;
    "Quorvel - HTML Final") expect_size_and_centred 8850 4140 ;;
    *) fail "the walk knows no screen \"$1\"" ;;
    esac
}

# The splash hands over to Lesson 1 by itself.
splash_then_lesson1() {
    step "the splash is on view, centred"
    wait_until "$BOUND_WINDOW" "the splash (7380 x 4245 twips) to be on view" \
        only_window_sized "$(px 7380)" "$(px 4245)"
    expect_size_and_centred 7380 4245
    is_splash_kind || fail "the splash is announced as an ordinary window (title bar, taskbar)"

    step "Lesson 1 follows the splash by itself"
    arrive "Quorvel - HTML Lesson 1"
    is_fixed_size || fail "Lesson 1 can be resized"
    [ "$(icon_sizes)" = "16x16 32x32 " ] || fail "Lesson 1 shows icons \"$(icon_sizes)\", expected 16x16 and 32x32"
    page_is ""
}

walk_practice_path() {
    start_x
    start_program
    splash_then_lesson1

    step "Lesson 1: typing shows in the page"
    local typed="<B>Hello</B> there"
    type_text "$typed"
    type_text $'\n<I>second line</I>'
    typed+="${CRLF}<I>second line</I>"
    page_is "$typed"

    step "Lesson 1: Show Me of Step 1 and Step 2 append their examples"
    click_in_panel 1800 1560 975
    page_is "${typed}This is regular Text.${CRLF}"
    click_in_panel 1800 2520 975
    page_is "${typed}This is regular Text.${CRLF}<B> This is Bold. </B>${CRLF}"

    step "Lesson 1: typing goes on after an example"
    click_editor
    key ctrl+End
    type_text "<U>mine</U>"
    page_is "${typed}This is regular Text.${CRLF}<B> This is Bold. </B>${CRLF}<U>mine</U>"

    step "Lesson 1: Clear empties the page"
    click_clear
    page_is ""

    step "Lesson 1: \"Lesson 1 Practice\" moves on"
    local lesson1=$WIN
    click_in_panel 120 5160 1575
    arrive "Lesson 1 Practice"
    is_mapped "$lesson1" && fail "Lesson 1 is still on view"
    xwininfo -id "$lesson1" >/dev/null 2>&1 || fail "Lesson 1's window is gone; it should only be hidden"
    page_is ""

    step "Lesson 1 Practice: Answer writes the model answer"
    click_in_panel 240 5040 1215
    page_is "<B> Jack </B> and <B> Jill </B>went up the <U>Hill</U>.<BR>${CRLF}\
The <B>Green Giant</B> favorite food is <I>corn</I>.<BR>${CRLF}\
Big <B>Freddy</B> could no longer go <U>home</U> after eating 12 <I>donuts</I>.<BR>${CRLF}\
<B>Santa Claus</B> is coming to <U>town</U>.<BR>${CRLF}\
<B>I</B> am finally done with this practice and getting out of <U>here</U>.<BR>${CRLF}"

    step "Lesson 1 Practice: Alt+L moves on to Lesson 2"
    key alt+l
    arrive "Quorvel - HTML Lesson 2"
    is_fixed_size && fail "Lesson 2 cannot be resized"
    page_is ""

    step "Lesson 2: Enter presses Step 3's Show Me, which has the focus"
    key Return
    local hr="${CRLF}Use the  Horizontal Ruler.  <HR>${CRLF}Great to use to separate pages. <BR>${CRLF}"
    page_is "$hr"

    step "Lesson 2: Show Me of Step 1 starts on a fresh line"
    click_in_panel 1800 1920 975
    page_is "${hr}I am using a break at the end <BR>${CRLF}This is the second line. <BR>"

    step "Lesson 2: \"Lesson 2 Practice\" moves on"
    click_in_panel 120 5040 1455
    arrive "Lesson 2 Practice"
    page_is ""

    step "Lesson 2 Practice: typing, then Answer continues the learner's line"
    click_editor
    type_text "x"
    page_is "x"
    click_in_panel 240 5040 1215
    page_is "xJack <BR> and Jill <BR>went up the Hill.<HR> <BR>${CRLF}\
The Green Giant<BR> favorite food is corn. <P><BR>${CRLF}\
Big Freddy<BR> could no longer go home <HR> after eating 12 donuts. <P> <BR>${CRLF}\
Santa Claus <BR> is coming to town. <HR><BR>${CRLF}\
I <BR> am finally done with this practice and getting out of here. <HR><BR>${CRLF}"

    step "Lesson 2 Practice: \"Lesson 3\" moves on"
    click_in_panel 1680 5040 1095
    arrive "Quorvel - HTML Lesson 3"
    page_is ""

    step "Lesson 3: Enter and a click on Show Me write both links"
    key Return
    local mail="This is an email to <A HREF=mailto: $SUPPORT> Support </A>${CRLF}"
    page_is "$mail"
    click_in_panel 1800 1680 975
    page_is "${mail}This is a hyperlink to  <A HREF=\"http://$YAHOO\"> yahoo </A>.${CRLF}"

    step "Lesson 3: \"Lesson 3 Practice\" moves on"
    click_in_panel 120 5040 1695
    arrive "Lesson 3 Practice"
    page_is ""

    step "Lesson 3 Practice: Answer writes the two answer lines"
    click_in_panel 240 5040 1215
    local answer3="a hyperlink to go to <A HREF=\"http://$MICROSOFT\"> $MICROSOFT </A> , \
<A HREF=\"http://$QUICKEN\"> $QUICKEN </A>, and your favorite website. <BR><BR>${CRLF}\
an email to $SUPPORT and let them know how you like this and what might need to be improve. <BR><BR>${CRLF}"
    page_is "$answer3"

    step "Lesson 3 Practice: \"Finish\" leads to the closing screen"
    click_in_panel 1680 5040 1095
    arrive "Quorvel - HTML Final"

    step "closing screen: Alt+X ends the program with status 0"
    key alt+x
    expect_exit 0

    step "the scratch page stays on disk with the last text"
    [ -f "$PAGE" ] || fail "the scratch page is gone"
    page_is "$answer3"
}

walk_direct_path() {
    start_x
    start_program
    splash_then_lesson1

    step "Lesson 1: Alt+L moves straight to Lesson 2"
    local lesson1=$WIN
    key alt+l
    arrive "Quorvel - HTML Lesson 2"
    xwininfo -id "$lesson1" >/dev/null 2>&1 || fail "Lesson 1's window is gone; it should only be hidden"

    step "Lesson 2: a click on \"Lesson 3\" moves on"
    click_in_panel 1680 5040 1095
    arrive "Quorvel - HTML Lesson 3"

    step "Lesson 3: Alt+F moves on to the closing screen"
    key alt+f
    arrive "Quorvel - HTML Final"

    step "closing screen: the space bar presses Exit, status 0"
    key space
    expect_exit 0
    [ -f "$PAGE" ] || fail "the scratch page is gone"
}

walk_splash_key() {
    start_x
    start_program
    step "the splash is on view"
    wait_until "$BOUND_WINDOW" "the splash to be on view" \
        only_window_sized "$(px 7380)" "$(px 4245)"
    wait_until "$BOUND_WINDOW" "the splash to have the keyboard focus" has_focus "$WIN"

    step "a key press takes the splash away"
    local pressed
    pressed=$(now) # before the key goes out, so the wait below is never understated
    key q
    wait_until "$BOUND_WINDOW" "the splash to leave the screen" no_window_mapped
    process_ended && fail "the program ended"
    local gone
    gone=$(now)

    step "Lesson 1 comes one timer interval after the key press"
    arrive "Quorvel - HTML Lesson 1"
    local now_us waited_ms gone_ms
    now_us=$(now)
    waited_ms=$(((now_us - pressed) / 1000))
    gone_ms=$(((gone - pressed) / 1000))
    echo "the splash left ${gone_ms} ms after the key press, Lesson 1 came after ${waited_ms} ms"
    # Left at the key press, not at its own tick: the splash went long before
    # the one-second wait for Lesson 1 was over. (Had the key been ignored, the
    # splash would have stayed most of its second and Lesson 1 followed soon.)
    [ $((gone_ms * 2)) -lt $((waited_ms - gone_ms)) ] ||
        fail "the splash stayed ${gone_ms} ms after the key press; Lesson 1 came ${waited_ms} ms after it"
    # The splash's timer starts again at the key press, so Lesson 1 can come
    # no sooner than one interval after it, however fast the machine (less the
    # 5% a coarse timer may fire early).
    [ "$waited_ms" -ge 950 ] || fail "Lesson 1 came after ${waited_ms} ms, before the splash's second"
    page_is ""
}

walk_close_request() {
    step "closing the splash before its hand-over ends the program"
    start_x
    start_program
    wait_until "$BOUND_WINDOW" "the splash to be on view" \
        only_window_sized "$(px 7380)" "$(px 4245)"
    "$XREQUEST" close "$WIN" || fail "could not send the close request"
    expect_exit 0
    [ -f "$PAGE" ] && fail "Lesson 1 was loaded after the splash was closed"

    step "closing a lesson through the window system ends the program"
    start_program
    splash_then_lesson1
    type_text "kept"
    page_is "kept"
    key alt+l
    arrive "Quorvel - HTML Lesson 2"
    "$XREQUEST" close "$WIN" || fail "could not send the close request"
    expect_exit 0
    page_is ""

    step "closing the closing screen through the window system ends the program"
    start_program
    splash_then_lesson1
    key alt+l
    arrive "Quorvel - HTML Lesson 2"
    key alt+l
    arrive "Quorvel - HTML Lesson 3"
    key alt+f
    arrive "Quorvel - HTML Final"
    "$XREQUEST" close "$WIN" || fail "could not send the close request"
    expect_exit 0
}

clipboard_to() { "$XREQUEST" clipboard >"$1" 2>/dev/null; }

walk_fast_typing() {
    start_x
    start_program
    splash_then_lesson1

    step "200 characters typed at 5 ms a key"
    # Letters, digits, tags, punctuation that needs Shift, and line breaks.
    local text="" line="<P>Quick <B>brown</B> fox, 12 jumps; (over) the \"lazy\" dog's #1 bed!"
    while [ ${#text} -lt 200 ]; do text+="$line"$'\n'; done
    text=${text:0:200}
    type_text "$text" 5
    local expected=${text//$'\n'/${CRLF}}
    page_is "$expected"

    step "the editor holds what the page holds"
    key ctrl+a ctrl+c
    wait_quietly 5 clipboard_to "$E2E_TMP/clipboard" ||
        fail "the editor's text did not reach the clipboard"
    local copied
    copied=$(cat "$E2E_TMP/clipboard"; echo .)
    copied=${copied%.}
    # The clipboard carries line feeds; the page carries CR LF.
    local page
    page=$(cat "$PAGE"; echo .)
    page=${page%.}
    [ "${copied//$'\n'/${CRLF}}" = "$page" ] ||
        fail "the editor holds \"$copied\" but the page holds \"$page\""
}

log_says() { grep -q "$1" "$E2E_TMP/program.log"; }
message_box_on_view() { only_window_titled "Quorvel - HTML"; }

walk_no_page() {
    step "the home folder is missing, so the page cannot be made"
    APP_HOME=$E2E_TMP/gone/home
    PAGE=$APP_HOME/customizer.html
    start_x
    start_program
    wait_until "$BOUND_WINDOW" "the program to name the page it cannot create" \
        log_says "cannot create the preview page $PAGE"
    wait_until "$BOUND_WINDOW" "a message box to tell the learner" message_box_on_view

    step "the learner acknowledges the message and the program ends with status 1"
    key Return
    expect_exit 1
    [ -e "$PAGE" ] && fail "a page appeared where no folder was"
    return 0
}

case "$WALK" in
no-page) walk_no_page ;;
practice-path) walk_practice_path ;;
direct-path) walk_direct_path ;;
splash-key) walk_splash_key ;;
close-request) walk_close_request ;;
fast-typing) walk_fast_typing ;;
*) echo "unknown walk: $WALK" >&2; exit 2 ;;
esac
echo "PASS: $WALK"
