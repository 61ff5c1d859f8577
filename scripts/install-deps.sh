#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, running or testing Quorvel needs,
# but only those that are missing, so a second run costs nothing.
#   install-deps.sh run    what `make run` needs
#   install-deps.sh test   that, plus the test suite's tools (the locales
#                          package gives the sources of the locales the tests
#                          compile into the build tree)
#   install-deps.sh package   what `make package` needs
set -eu

what=${1:-run}

run_pkgs="cmake ninja-build g++ qt6-base-dev qt6-webengine-dev librsvg2-bin fonts-wine fonts-liberation"
package_pkgs="dpkg-dev"
# The package test runs lintian and appstreamcli compose; the Wayland test a
# headless weston; the accessibility test reads the program through AT-SPI.
test_pkgs="$package_pkgs xvfb xauth xdotool x11-utils libx11-dev imagemagick locales
    desktop-file-utils appstream appstream-compose lintian file weston qt6-wayland
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 clang-format-19
    librsvg2-common curl procps"

case "$what" in
    run) pkgs=$run_pkgs ;;
    test) pkgs="$run_pkgs $test_pkgs" ;;
    package) pkgs="$run_pkgs $package_pkgs" ;;
    # The benchmark watches the program's windows through libxcb.
    bench) pkgs="$run_pkgs $test_pkgs libxcb1-dev" ;;
    *) echo "usage: $0 run|test|bench|package" >&2; exit 2 ;;
esac

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "install-deps: need root (or sudo) to run: $*" >&2
        exit 1
    fi
}

missing=""
for p in $pkgs; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "install-deps: installing$missing"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing </dev/null
fi

