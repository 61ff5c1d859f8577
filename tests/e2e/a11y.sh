#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lesson 1 as a screen reader finds it, read through AT-SPI from outside the
# program.
#
#   a11y.sh PROGRAM
#
# First the names: the editor, its label, the preview, the clock and the four
# Show Me buttons each have a name or description of their own; the clock's
# name is the time it shows. Then the hint: real keys type a tag that never
# closes; the hint comes to show in the editor, the editor's description says
# it (with an event a screen reader hears) and the keyboard stays in the
# editor, and the bubble is clear of the caret's line; the next key takes the
# bubble away and reaches the page; the same mistake at the next pause shows
# again but is not announced again (that it waits for a pause, and stays
# clear of a wrapped line, is tst_workspace's).
set -u
[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
PROGRAM=$1
# A private session bus, which brings the AT-SPI bus with it.
command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session (dbus)"; exit 77; }
[ -n "${A11Y_BUS:-}" ] || A11Y_BUS=1 exec dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/lib.sh"
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    { echo "SKIP: no python3-gi with Atspi (scripts/install-deps.sh test installs it)"; exit 77; }
require_tools

start_x
start_program env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PROGRAM"
wait_screen "Quorvel - HTML Lesson 1"

step "Lesson 1 through AT-SPI: the names, then the hint"
export PAGE
/usr/bin/python3 - <<'PY' || fail "Lesson 1 is not as a screen reader needs it"
import os, re, subprocess, sys, time, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib

def walk(node):
    yield node
    for i in range(node.get_child_count()):
        if (child := node.get_child_at_index(i)) is not None:
            yield from walk(child)

# The private bus holds this program alone.
for _ in range(100):
    lesson1 = [n for n in walk(Atspi.get_desktop(0)) if n.get_name() == "Quorvel - HTML Lesson 1"]
    if lesson1:
        break
    time.sleep(0.2)
else:
    sys.exit("no Lesson 1 window in the AT-SPI tree")
nodes = list(walk(lesson1[0]))
def named(name, role=None):
    return [n for n in nodes if n.get_name() == name and role in (None, n.get_role())]
problems = []
editor = (named("Item Description", Atspi.Role.TEXT) + [None])[0]
if editor is None:
    sys.exit("no text box named \"Item Description\"")

labels = [r.get_target(0).get_name() for r in editor.get_relation_set()
          if r.get_relation_type() == Atspi.RelationType.LABELLED_BY]
if "Item Description :" not in labels:
    problems.append(f"the text box is not labelled \"Item Description :\" ({labels})")
if not named("Preview Screen"):
    problems.append("nothing named \"Preview Screen\"")
clock = [n.get_name() for n in nodes if n.get_description() == "Date and time"]
if len(clock) != 1 or not re.fullmatch(r"\d\d/\d\d/\d\d(\d\d)? \d\d:\d\d:\d\d( [AP]M)?", clock[0]):
    problems.append(f"the clock described \"Date and time\" is named {clock}, not the time")
# Newer AT-SPI calls a push button a button.
buttons = {Atspi.Role.PUSH_BUTTON, getattr(Atspi.Role, "BUTTON", Atspi.Role.PUSH_BUTTON)}
show_me = sorted(n.get_description() for n in nodes
                 if n.get_name() == "Show Me" and n.get_role() in buttons)
if show_me != [f"Show Me: Step {i}" for i in range(1, 5)]:
    problems.append(f"the Show Me buttons are described as {show_me}")

# The hint, with real keys.
heard = []
def note(event):
    if event.source.get_name() == "Item Description":
        heard.append(event.source.get_description())
listener = Atspi.EventListener.new(note)
listener.register("object:property-change:accessible-description")
def wait_for(condition, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        GLib.MainContext.default().iteration(False)
        if condition():
            return True
        time.sleep(0.02)
    return condition()
def page():
    with open(os.environ["PAGE"], "rb") as f:
        return f.read()
def bubble():
    return [n for n in walk(editor) if n.get_role() == Atspi.Role.LABEL and
            n.get_state_set().contains(Atspi.StateType.SHOWING)]
subprocess.run(["xdotool", "type", "--delay", "40", "Hello <B>world"], check=True)
if not wait_for(lambda: "never closes" in (editor.get_description() or ""), 15):
    problems.append(f"no hint after a pause; the editor's description is {editor.get_description()!r}")
if not any("never closes" in h for h in heard):
    problems.append(f"no event told of the new description (heard {heard})")
if [b.get_name() for b in bubble()] != [editor.get_description()]:
    problems.append(f"the bubble on view says {[b.get_name() for b in bubble()]}")
else:  # clear of the line being typed, the caret's
    box = bubble()[0].get_extents(Atspi.CoordType.SCREEN)
    line = editor.get_character_extents(editor.get_caret_offset() - 1, Atspi.CoordType.SCREEN)
    if not (box.y + box.height <= line.y or box.y >= line.y + line.height):
        problems.append(f"the bubble at y {box.y}+{box.height} covers the caret's line at y {line.y}")
if not editor.get_state_set().contains(Atspi.StateType.FOCUSED):
    problems.append("the editor lost the keyboard to the hint")
subprocess.run(["xdotool", "type", "!"], check=True)
if not wait_for(lambda: page() == b"Hello <B>world!", 15):
    problems.append(f"the next key did not reach the page: {page()!r}")
if not wait_for(lambda: not bubble(), 5):
    problems.append("the next key left the hint on view")
if not wait_for(lambda: bubble(), 15):
    problems.append("the same mistake did not show again at the next pause")
wait_for(lambda: False, 1)  # events still on their way
if (told := sum("never closes" in h for h in heard)) != 1:
    problems.append(f"the same mistake was announced {told} times ({heard})")
print("\n".join("a11y: " + p for p in problems), file=sys.stderr)
sys.exit(1 if problems else 0)
PY
has_focus || fail "Lesson 1 lost the keyboard"
kill -TERM "$APP_PID"
expect_exit 0
echo "PASS: a11y"
