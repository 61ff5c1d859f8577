#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails on a C++ file that clang-format would change and on a source file
# without its licence line. clang-format is one pinned major version, since
# versions differ in how they format some constructs.
#   check-source.sh SOURCE_DIR
set -eu
cd "${1:-$(dirname "$0")/..}"
format=clang-format-19
command -v "$format" >/dev/null 2>&1 || { echo "check-source: no $format (make test installs it)"; exit 77; }

cxx=$(find src tests bench tools -name '*.cpp' -o -name '*.h' | sort)
other=$(find src tests bench tools scripts cmake .ci -name '*.sh' -o -name '*.py' -o -name '*.js' \
            -o -name 'CMakeLists.txt' -o -name '*.cmake' -o -name run 2>/dev/null | sort)
status=0
# shellcheck disable=SC2086 # one file name a word
"$format" --dry-run -Werror $cxx || { echo "check-source: $format -i FILE formats these" >&2; status=1; }
for f in $cxx $other CMakeLists.txt Makefile; do
    head -n 3 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' ||
        { echo "check-source: $f has no SPDX-License-Identifier line" >&2; status=1; }
done
exit $status
