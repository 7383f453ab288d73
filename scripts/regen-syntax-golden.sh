#!/usr/bin/env bash
# Regenerates the expected runs of the syntax golden files
# (tests/editor/golden/NAME.runs) with `morvane colour --runs`, for review
# with `git diff` after a deliberate change to the scanners.
#
# usage: scripts/regen-syntax-golden.sh [BUILD_DIR]   (default: the `default`
# preset's build folder, where the colour tool is built first)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-}"
if [ -z "$build" ]; then
    build="$root/build"
    (cd "$root" && cmake --preset default >/dev/null &&
        cmake --build --preset default --target morvane_colour_tool)
fi
golden="$root/tests/editor/golden"

# The application's own command when it has one, else the stand-alone tool.
if [ -x "$build/app/morvane" ] && QT_QPA_PLATFORM=offscreen "$build/app/morvane" colour --runs "$golden/worked-example.html" >/dev/null 2>&1; then
    colour=("$build/app/morvane" colour)
elif [ -x "$build/tests/editor/morvane_colour_tool" ]; then
    colour=("$build/tests/editor/morvane_colour_tool" colour)
else
    echo "neither $build/app/morvane nor the colour tool is built; build target morvane_colour_tool" >&2
    exit 1
fi

count=0
for input in "$golden"/*; do
    [ -f "$input" ] || continue
    case "$input" in *.runs) continue ;; esac
    name="$(basename "$input")"
    base="${name%.*}"
    QT_QPA_PLATFORM=offscreen "${colour[@]}" --runs "$input" > "$golden/$base.runs"
    count=$((count + 1))
done
echo "regenerated $count expected files in $golden"
