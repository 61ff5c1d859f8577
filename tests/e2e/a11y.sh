#!/bin/bash
# What a screen reader finds on Lesson 1, read through AT-SPI from outside the
# program: the editor, its label, the preview, the clock and the four Show Me
# buttons each have a name or description of their own.
#   a11y.sh PROGRAM
set -u
PROGRAM=$1
if [ -z "${A11Y_BUS:-}" ]; then # a private session bus, which brings the AT-SPI bus
    command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session"; exit 77; }
    A11Y_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
. "$(dirname "$0")/lib.sh"
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    { echo "SKIP: no python3-gi with Atspi (scripts/install-deps.sh test installs it)"; exit 77; }
require_tools

start_x
start_program env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PROGRAM"
wait_screen "Quorvel - HTML Lesson 1"

step "the accessible names of Lesson 1"
/usr/bin/python3 - "$APP_PID" <<'PY' || fail "the accessible names are not as a screen reader needs them"
import sys, time, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)

def lesson1():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == int(sys.argv[1]):
            for window in walk(app):
                if window.get_name() == "Quorvel - HTML Lesson 1":
                    return window

for _ in range(100):
    window = lesson1()
    if window:
        break
    time.sleep(0.2)
else:
    sys.exit("no Lesson 1 window in the AT-SPI tree")
nodes = [(n.get_role_name(), n.get_name(), n.get_description(), n) for n in walk(window)]
def named(name):
    return [n for role, nm, _, n in nodes if nm == name]
problems = []
editor = [n for n in named("Item Description") if n.get_role_name() == "text"]
if not editor:
    problems.append("no text box named \"Item Description\"")
else:
    labels = [r.get_target(0).get_name() for r in editor[0].get_relation_set()
              if r.get_relation_type() == Atspi.RelationType.LABELLED_BY]
    if "Item Description :" not in labels:
        problems.append(f"the editor is labelled by {labels}, not by \"Item Description :\"")
if not named("Preview Screen"):
    problems.append("nothing named \"Preview Screen\"")
if not named("Date and time"):
    problems.append("no clock named \"Date and time\"")
show_me = sorted(d for role, nm, d, _ in nodes if role == "push button" and nm == "Show Me")
if show_me != [f"Show Me: Step {i}" for i in range(1, 5)]:
    problems.append(f"the Show Me buttons are described as {show_me}")
for p in problems:
    print("a11y:", p, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
kill -TERM "$APP_PID"
expect_exit 0
echo "PASS: a11y"
