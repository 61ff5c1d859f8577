#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quorvel as a distribution and a desktop see it: the Debian package that
# CPack builds from the install rules, judged by lintian, by apt (can its
# dependencies be met), by appstreamcli compose (would a software centre list
# it, with its icon), by desktop-file-validate; then the unpacked program
# started the way a desktop starts it, from the entry's Exec line.
#
#   package.sh BUILD_DIR
set -u
BUILD_DIR=$1
. "$(dirname "$0")/lib.sh"
require_tools cpack dpkg-deb dpkg-shlibdeps lintian apt-get desktop-file-validate appstreamcli
readonly APP_ID=com.quorvel.Html

step "cpack builds the Debian package"
cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$E2E_TMP/cpack" >"$E2E_TMP/cpack.log" 2>&1 ||
    { tail -n 30 "$E2E_TMP/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$E2E_TMP"/cpack/quorvel_*.deb) || fail "cpack made no quorvel_*.deb"
dpkg-deb -f "$deb" Package Version Depends Recommends

step "lintian finds no error and no warning"
lintian --fail-on error,warning "$deb" || fail "lintian rejects the package"

step "apt can meet the package's dependencies"
apt-get install --simulate -qq "$deb" >"$E2E_TMP/apt.log" 2>&1 ||
    { cat "$E2E_TMP/apt.log" >&2; fail "apt cannot install the package"; }

step "the desktop entry is valid and a software catalogue lists it with its icon"
dpkg -x "$deb" "$E2E_TMP/root" || fail "dpkg -x failed"
entry=$E2E_TMP/root/usr/share/applications/$APP_ID.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
(cd "$E2E_TMP" && appstreamcli compose --no-color --result-root="$E2E_TMP/catalogue" \
    --origin=quorvel "$E2E_TMP/root") || fail "appstreamcli compose failed"
catalogue=$(find "$E2E_TMP/catalogue" -name quorvel.xml.gz -exec zcat {} +)
[[ $catalogue == *"<id>$APP_ID</id>"* ]] || fail "the catalogue has no entry for $APP_ID"
[[ $catalogue == *'<icon type="cached"'* ]] || fail "the catalogue entry has no icon"

step "the unpacked program starts from its desktop entry's Exec line"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
# Field codes (%f, %u, ...) stand for files to open; none are passed here.
read -r -a exec_words <<<"${exec_line//%[a-zA-Z]/}"
start_x
start_program env PATH="$E2E_TMP/root/usr/bin:$PATH" "${exec_words[@]}"
wait_screen "Quorvel - HTML Lesson 1"
[ "$(readlink "/proc/$APP_PID/exe")" = "$E2E_TMP/root/usr/bin/quorvel" ] ||
    fail "the program that runs is $(readlink "/proc/$APP_PID/exe"), not the unpacked one"
kill -TERM "$APP_PID"
expect_exit 0
echo "PASS: package"
