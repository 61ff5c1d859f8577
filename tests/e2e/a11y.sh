#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader finds on Lesson 1, read through AT-SPI from outside the
# program: the editor, its label, the preview, the clock and the four Show Me
# buttons each have a name or description of their own.
#   a11y.sh PROGRAM
set -u
PROGRAM=$1
# A private session bus, which brings the AT-SPI bus with it.
[ -n "${A11Y_BUS:-}" ] || A11Y_BUS=1 exec dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/lib.sh"
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    { echo "SKIP: no python3-gi with Atspi (scripts/install-deps.sh test installs it)"; exit 77; }
require_tools

start_x
start_program env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PROGRAM"
wait_screen "Quorvel - HTML Lesson 1"

step "the accessible names of Lesson 1"
/usr/bin/python3 - <<'PY' || fail "the accessible names are not as a screen reader needs them"
import sys, time, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

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
labels = [r.get_target(0).get_name() for editor in named("Item Description", Atspi.Role.TEXT)[:1]
          for r in editor.get_relation_set() if r.get_relation_type() == Atspi.RelationType.LABELLED_BY]
if "Item Description :" not in labels:
    problems.append(f"no text box \"Item Description\" labelled \"Item Description :\" ({labels})")
problems += [f"nothing named \"{name}\"" for name in ("Preview Screen", "Date and time") if not named(name)]
show_me = sorted(n.get_description() for n in named("Show Me", Atspi.Role.PUSH_BUTTON))
if show_me != [f"Show Me: Step {i}" for i in range(1, 5)]:
    problems.append(f"the Show Me buttons are described as {show_me}")
print("\n".join("a11y: " + p for p in problems), file=sys.stderr)
sys.exit(1 if problems else 0)
PY
kill -TERM "$APP_PID"
expect_exit 0
echo "PASS: a11y"
