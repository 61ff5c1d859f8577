#!/bin/bash
# Quorvel as a packager and a desktop see it: the install rules, the desktop
# entry and metainfo (validated), the Debian package that CPack builds, its
# dependencies, its files once unpacked, and the program started the way a
# desktop starts it, from the entry's Exec line.
#
#   package.sh BUILD_DIR XREQUEST
set -u

[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR XREQUEST" >&2; exit 2; }
BUILD_DIR=$1 XREQUEST=$2

. "$(dirname "$0")/lib.sh"

require_tools cmake cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file

readonly APP_ID=com.quorvel.Html

# check_tree ROOT: the files an installation must hold, under ROOT/usr.
check_tree() {
    local usr=$1/usr f
    [ -x "$usr/bin/quorvel" ] || fail "no program at usr/bin/quorvel"
    file -L "$usr/bin/quorvel" | grep -q 'ELF' || fail "usr/bin/quorvel is not a program"
    for f in "share/applications/$APP_ID.desktop" "share/metainfo/$APP_ID.metainfo.xml"; do
        [ -s "$usr/$f" ] || fail "missing usr/$f"
    done
    for size in 16 32; do
        f=$usr/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png
        [ -s "$f" ] || fail "missing the ${size}x${size} icon"
        file "$f" | grep -q "PNG image data, $size x $size" ||
            fail "the ${size}x${size} icon is $(file -b "$f")"
    done

    local entry=$usr/share/applications/$APP_ID.desktop
    desktop-file-validate "$entry" >"$E2E_TMP/validate.log" 2>&1 ||
        { cat "$E2E_TMP/validate.log" >&2; fail "desktop-file-validate rejects the entry"; }
    [ -s "$E2E_TMP/validate.log" ] && { cat "$E2E_TMP/validate.log" >&2; fail "desktop-file-validate warns"; }
    grep -qx 'Categories=.*Education;.*' "$entry" || fail "the entry is not in the Education category"
    grep -qx "Icon=$APP_ID" "$entry" || fail "the entry does not name the installed icon"
    appstreamcli validate --no-net "$usr/share/metainfo/$APP_ID.metainfo.xml" \
        >"$E2E_TMP/validate.log" 2>&1 ||
        { cat "$E2E_TMP/validate.log" >&2; fail "appstreamcli rejects the metainfo"; }
    grep -q '<screenshot' "$usr/share/metainfo/$APP_ID.metainfo.xml" ||
        fail "the metainfo has no screenshot"
}

step "cmake --install into a staging folder"
DESTDIR=$E2E_TMP/staged cmake --install "$BUILD_DIR" --prefix /usr >"$E2E_TMP/install.log" 2>&1 ||
    { cat "$E2E_TMP/install.log" >&2; fail "cmake --install failed"; }
check_tree "$E2E_TMP/staged"

step "cpack builds the Debian package"
cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$E2E_TMP/cpack" >"$E2E_TMP/cpack.log" 2>&1 ||
    { tail -n 30 "$E2E_TMP/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$E2E_TMP"/cpack/quorvel_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no quorvel_*.deb"

step "the package's control fields"
dpkg-deb -f "$deb" Package Version Section Depends Recommends >"$E2E_TMP/control" ||
    fail "dpkg-deb cannot read $deb"
cat "$E2E_TMP/control"
grep -qx 'Package: quorvel' "$E2E_TMP/control" || fail "the package is not called quorvel"
grep -q '^Version: [0-9]' "$E2E_TMP/control" || fail "the package has no version"
# dpkg-shlibdeps found these by reading what the program links.
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6webenginecore6 \
    libqt6webenginewidgets6; do
    grep -q "^Depends:.*\\b$dep\\b" "$E2E_TMP/control" || fail "the package does not depend on $dep"
done

step "the package unpacked into a temporary root"
dpkg -x "$deb" "$E2E_TMP/root" || fail "dpkg -x failed"
check_tree "$E2E_TMP/root"
unexpected=$(cd "$E2E_TMP/root" && find . -type f | grep -v -E \
    '^\./usr/(bin/quorvel|share/(applications|metainfo|icons/hicolor/(16x16|32x32)/apps)/com\.quorvel\.Html\.(desktop|metainfo\.xml|png))$')
[ -z "$unexpected" ] || fail "the package holds files it should not: $unexpected"

step "the unpacked program starts from its desktop entry's Exec line"
exec_line=$(sed -n 's/^Exec=//p' "$E2E_TMP/root/usr/share/applications/$APP_ID.desktop")
# Field codes (%f, %u, ...) stand for files to open; none are passed here.
read -r -a exec_words <<<"${exec_line//%[a-zA-Z]/}"
[ "${exec_words[0]}" = quorvel ] || fail "Exec starts \"${exec_words[0]}\", not the installed program"
start_x
start_program env PATH="$E2E_TMP/root/usr/bin:$PATH" "${exec_words[@]}"
wait_until "$BOUND_WINDOW" "the splash to be on view" only_window_sized "$(px 7380)" "$(px 4245)"
wait_screen "Quorvel - HTML Lesson 1"
[ "$(readlink "/proc/$APP_PID/exe")" = "$E2E_TMP/root/usr/bin/quorvel" ] ||
    fail "the program that runs is $(readlink "/proc/$APP_PID/exe"), not the unpacked one"
"$XREQUEST" close "$WIN" || fail "could not send the close request"
expect_exit 0

echo "PASS: package"
