#!/usr/bin/env bash
# Runs the syntax colouring benchmarks and the whole-process comparison with
# kate-syntax-highlighter, generating the input files first when missing.
#
# usage: scripts/bench-syntax.sh [BUILD_DIR] [DATA_DIR]
#   BUILD_DIR  a build with the benchmarks (default: the `bench` preset's
#              build-bench, configured and built here)
#   DATA_DIR   where the 10 MB / 30 MB inputs live (default /tmp/morvane-syntax-bench)
# Needs hyperfine and kate-syntax-highlighter: scripts/install-deps.sh --bench
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-}"
if [ -z "$build" ]; then
    build="$root/build-bench"
    (cd "$root" && cmake --preset bench >/dev/null && cmake --build --preset bench)
fi
data="${2:-/tmp/morvane-syntax-bench}"
export MORVANE_SYNTAX_BENCH_DIR="$data"
export QT_QPA_PLATFORM=offscreen
[ -f "$data/bench-30mb-plain.php" ] && [ -f "$data/bench-30mb.js" ] || /usr/bin/python3 "$root/scripts/gen-syntax-bench-files.py" "$data"

echo "== uptime (machine load while measuring)"
uptime

echo "== scanner throughput (10 reps; CPU-time medians are the robust figure)"
"$build/bench/syntax/bench_syntax_scan" --benchmark_repetitions=10 \
    --benchmark_report_aggregates_only=true

echo "== edit pass and key press to painted frame (30 MB files)"
"$build/bench/syntax/bench_syntax_edit"

echo "== whole process: colour --runs vs kate-syntax-highlighter on the 10 MB file"
colour=("$build/tests/editor/morvane_colour_tool" colour)
[ -x "$build/app/morvane" ] && "$build/app/morvane" colour --runs "$root/tests/editor/golden/worked-example.html" >/dev/null 2>&1 \
    && colour=("$build/app/morvane" colour)
hyperfine -N --warmup 1 --runs "${RUNS:-10}" --output=/dev/null \
    "${colour[*]} --runs $data/bench-10mb.php" \
    "kate-syntax-highlighter -s 'PHP (HTML)' -f ansi $data/bench-10mb.php"

echo "== whole process: colour --runs vs kate-syntax-highlighter on 10 MB of real JavaScript and CSS"
hyperfine -N --warmup 1 --runs "${RUNS:-10}" --output=/dev/null \
    "${colour[*]} --runs $data/bench-10mb.js" \
    "kate-syntax-highlighter -s JavaScript -f ansi $data/bench-10mb.js"
hyperfine -N --warmup 1 --runs "${RUNS:-10}" --output=/dev/null \
    "${colour[*]} --runs $data/bench-10mb.css" \
    "kate-syntax-highlighter -s CSS -f ansi $data/bench-10mb.css"
