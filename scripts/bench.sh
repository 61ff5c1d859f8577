#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the benchmark on a built tree under Xvfb, the X platform with software
# rendering (what a learner without a GPU gets), then the soak on the same
# platform: a leak in drawing the windows to a display shows only where they
# are drawn to one. Prints every figure and writes the run to
# BUILD_DIR/bench/results.md, from which docs/performance.md is brought up to
# date by hand.
#   scripts/bench.sh BUILD_DIR          (what `make bench` runs)
#   BENCH_QUICK=1 scripts/bench.sh ...  fewer runs and a shorter soak, for
#                                       trying the benchmark
set -eu

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$build/bench/quorvel_bench"
soak="$build/bench/quorvel_soak"
program="$build/src/quorvel"
results="$build/bench/results.md"
for f in "$bench" "$soak" "$program"; do
    [ -x "$f" ] || { echo "bench: $f is missing; build first" >&2; exit 1; }
done

quick=""
soak_keys=100000
if [ "${BENCH_QUICK:-}" = 1 ]; then
    quick=--quick
    soak_keys=6000
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

on_x() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
        env QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software "$@"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "== benchmark"
on_x "$bench" --program "$program" $quick 2>"$work/bench.err" | tee "$work/bench.txt"
echo "== soak"
on_x "$soak" --keys "$soak_keys" 2>"$work/soak.err" | tee "$work/soak.txt"
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
    echo "- Platform: Xvfb, X with software rendering (\`QT_QUICK_BACKEND=software\`)"
    echo
    echo "### Benchmark"
    echo
    echo '```'
    cat "$work/bench.txt"
    echo '```'
    echo
    echo "### Soak"
    echo
    echo '```'
    cat "$work/soak.txt"
    echo '```'
} >"$results"
echo "bench: wrote $results"
