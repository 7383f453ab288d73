#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy: bugprone-* and performance-*)
# over every C++ source the project tracks, using the `tidy` preset's
# compile database. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset tidy >/dev/null
mapfile -t files < <(git ls-files -- '*.cpp' | grep -v '^tests/editor/fuzz_syntax.cpp$')
# run-clang-tidy colours its output; the colour codes are taken out for reading.
run-clang-tidy -quiet -p build-tidy -j 2 "${files[@]/#/$PWD/}" 2>&1 |
    sed 's/\x1b\[[0-9;]*m//g' >build-tidy/tidy.log || true
if grep -E '(warning|error): .*\[[a-z]+-[a-z.-]+(,[a-z.-]+)*\]$' build-tidy/tidy.log |
    grep -v 'clang-diagnostic-' >/dev/null; then
    grep -E -A3 '(warning|error): .*\]$' build-tidy/tidy.log | head -200
    echo "clang-tidy found problems (full log: build-tidy/tidy.log)" >&2
    exit 1
fi
echo "tidy: ${#files[@]} files, no findings"
