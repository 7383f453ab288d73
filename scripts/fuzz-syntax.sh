#!/usr/bin/env bash
# Builds the libFuzzer target of the syntax scanners with clang
# (-fsanitize=fuzzer,address,undefined) and runs it.
#
# usage: scripts/fuzz-syntax.sh [SECONDS] [OUT_DIR]
#   SECONDS  how long to fuzz (default 60; CI uses a short smoke, e.g. 20)
#   OUT_DIR  build and corpus folder (default build/fuzz-syntax, inside the
#            `default` preset's build folder)
# Needs clang and libclang-rt-14-dev: scripts/install-deps.sh --fuzz
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
out="${2:-$root/build/fuzz-syntax}"
cxx="$(command -v clang++-14 || command -v clang++)"
mkdir -p "$out/corpus"

"$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" -I"$root/tests/editor" \
    "$root"/editor/syntax/{charclass,attributestore,reservedwords,htmlscanner,phpscanner,codescan,cssscanner,jsscanner}.cpp \
    "$root/tests/editor/fuzz_syntax.cpp" -o "$out/fuzz_syntax"

# Seeds: the golden inputs as UTF-16, behind an 8-byte header choosing the
# whole text as the window.
/usr/bin/python3 - "$root/tests/editor/golden" "$out/corpus" <<'PY'
import os, sys
src, dst = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    if name.endswith('.runs'):
        continue
    text = open(os.path.join(src, name), 'rb').read().decode('utf-8', 'replace')
    body = text.encode('utf-16-le')
    n = len(body) // 2
    header = (0).to_bytes(2, 'little') + min(n, 65535).to_bytes(2, 'little') + b'\x02\x00' + b'\x00\x00'
    open(os.path.join(dst, 'seed-' + name), 'wb').write(header + body)
PY

cd "$out"
./fuzz_syntax -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 corpus 2>&1 | tail -n 25
