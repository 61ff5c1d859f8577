#!/bin/sh
# Installs the Debian packages that building, running or testing Quorvel needs,
# but only those that are missing, so a second run costs nothing.
#   install-deps.sh run    what `make run` needs
#   install-deps.sh test   that, plus the test suite's tools and locales
set -eu

what=${1:-run}

run_pkgs="cmake ninja-build g++ qt6-base-dev qt6-webengine-dev fonts-wine fonts-liberation"
test_pkgs="xvfb xauth xdotool x11-utils libx11-dev imagemagick locales desktop-file-utils appstream dpkg-dev file"

case "$what" in
    run) pkgs=$run_pkgs ;;
    test) pkgs="$run_pkgs $test_pkgs" ;;
    # The benchmark watches the program's windows through libxcb.
    bench) pkgs="$run_pkgs $test_pkgs pkg-config libxcb1-dev" ;;
    *) echo "usage: $0 run|test|bench" >&2; exit 2 ;;
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

# The clock tests read dates in two regional formats; glibc needs them compiled.
if [ "$what" != run ]; then
    for loc in en_US de_DE; do
        if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
            echo "install-deps: generating the $loc.UTF-8 locale"
            as_root localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
        fi
    done
fi
