#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the benchmark on a built tree, twice: under Xvfb (the X platform with
# software rendering, as on a machine without a GPU) and on Qt's offscreen
# platform; then any soak program the tree has. Prints every figure and
# writes the run to BUILD_DIR/bench/results.md, from which
# docs/performance.md is brought up to date by hand.
#   scripts/bench.sh BUILD_DIR          (what `make bench` runs)
#   BENCH_QUICK=1 scripts/bench.sh ...  fewer runs, for trying the benchmark
set -eu

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$build/bench/quorvel_bench"
program="$build/src/quorvel"
results="$build/bench/results.md"
for f in "$bench" "$program"; do
    [ -x "$f" ] || { echo "bench: $f is missing; build first" >&2; exit 1; }
done

quick=""
[ "${BENCH_QUICK:-}" = 1 ] && quick=--quick

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== Xvfb, software rendering"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    env QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software \
    "$bench" --program "$program" $quick 2>"$work/xvfb.err" | tee "$work/xvfb.txt"

echo "== offscreen"
env QT_QPA_PLATFORM=offscreen \
    "$bench" --program "$program" $quick 2>"$work/offscreen.err" | tee "$work/offscreen.txt"

# The robustness soak, when the tree has one: its own figures, same format.
: >"$work/soak.txt"
for soak in "$build"/bench/*soak*; do
    [ -f "$soak" ] && [ -x "$soak" ] || continue
    echo "== $(basename "$soak")"
    env QT_QPA_PLATFORM=offscreen "$soak" 2>"$work/soak.err" | tee -a "$work/soak.txt"
done

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

for f in "$work"/*.err; do
    # The engine's own chatter is not ours; our failures start with "bench:".
    grep '^bench:' "$f" >&2 || true
done

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
qt=$(dpkg-query -W -f='${Version}' qt6-webengine-dev 2>/dev/null || echo unknown)
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)

{
    echo "## Latest run"
    echo
    echo "- When: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit"
    echo "- Machine: $cpu, $(nproc) cores, $mem; $(uname -sr); Qt WebEngine $qt"
    echo "- Load average (1, 5, 15 min) before: $load_before; after: $load_after"
    echo "- Command: \`make bench\` (\`scripts/bench.sh $build\`)${quick:+, quick}"
    echo
    echo "### Xvfb: X platform, software rendering (\`QT_QUICK_BACKEND=software\`)"
    echo
    echo '```'
    cat "$work/xvfb.txt"
    echo '```'
    echo
    echo "### Offscreen platform (\`QT_QPA_PLATFORM=offscreen\`)"
    echo
    echo '```'
    cat "$work/offscreen.txt"
    echo '```'
    if [ -s "$work/soak.txt" ]; then
        echo
        echo "### Soak"
        echo
        echo '```'
        cat "$work/soak.txt"
        echo '```'
    fi
} >"$results"
echo "bench: wrote $results"

