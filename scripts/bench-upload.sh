#!/bin/bash
# Upload speed: Morvane's FTP engine beside lftp, run alternately against the
# same pyftpdlib server on this machine (threaded, with a delay before every
# reply to model a distant host), then the peak memory of a 1 GB upload.
#
#   [DELAY=20] [CONNECTIONS=8] scripts/bench-upload.sh [build folder] [repetitions]
#
# The build folder must hold bench/upload/bench_upload; by default the
# `bench` preset's build-bench is configured and built here. Prints every run
# and the medians.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-}
if [ -z "$BUILD" ]; then
    BUILD=$ROOT/build-bench
    (cd "$ROOT" && cmake --preset bench >/dev/null && cmake --build --preset bench --target bench_upload)
fi
REPS=${2:-3}
BENCH=$BUILD/bench/upload/bench_upload
PY=/usr/bin/python3
SERVER_SCRIPT=$ROOT/tests/support/ftp_server.py
[ -x "$BENCH" ] || { echo "missing $BENCH" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is not installed" >&2; exit 1; }

WORK=$(mktemp -d /tmp/morvane-bench-upload-XXXXXX)
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# 1,000 files of 2 KB in 20 folders.
"$PY" - "$WORK/site" <<'PYEOF'
import os, sys
root = sys.argv[1]
for i in range(1000):
    folder = os.path.join(root, "folder%02d" % (i % 20))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%d.html" % i), "wb") as f:
        f.write(bytes([i % 256]) + b"x" * 2047)
PYEOF
mkdir -p "$WORK/root"

start_server() { # delay
    rm -f "$WORK/ready"
    mkfifo "$WORK/ready"
    "$PY" "$SERVER_SCRIPT" --root "$WORK/root" --threaded --delay-ms "$1" >"$WORK/ready" 2>/dev/null &
    SERVER_PID=$!
    # The server prints "READY <port>" once it listens. The pipe stays open
    # while it runs, so that nothing it prints later can break it.
    exec 3<"$WORK/ready"
    local word
    read -r -t 30 -u 3 word PORT || true
    [ "${word:-}" = READY ] || { echo "FTP server did not start" >&2; exit 1; }
}

stop_server() {
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    exec 3<&-
    SERVER_PID=
}

median() { "$PY" -c 'import statistics,sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f" % statistics.median(v))' "$@"; }
spread() { "$PY" -c 'import sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f-%.0f" % (min(v), max(v)))' "$@"; }

ours_ms() { # connections delay temp size
    MORVANE_BENCH_FTP_SERVER=127.0.0.1:$PORT MORVANE_BENCH_FTP_ROOT=$WORK/root MORVANE_BENCH_SITE=$WORK/site \
        timeout 600 "$BENCH" --benchmark_filter="BM_UploadSite/connections:$1/delay_ms:$2/temp:$3/size:$4/" --benchmark_format=json 2>/dev/null </dev/null 3<&- |
        "$PY" -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; assert "error_message" not in b, b; print("%.0f" % b["real_time"])'
}

lftp_ms() { # connections run temp
    local start end settings=""
    [ "$3" = 1 ] && settings="set xfer:use-temp-file yes; "
    start=$(date +%s%N)
    # lftp's defaults, except that a failed connection is retried after 5 s
    # instead of 30 s and more, so that a hiccup shows as a slow run, not a
    # stalled benchmark; its debug log is kept for such runs.
    timeout 600 lftp -d -u user,secret -p "$PORT" \
        -e "set net:reconnect-interval-base 5; ${settings}mirror -R --parallel=$1 $WORK/site /lftp-$1-$2; quit" \
        127.0.0.1 </dev/null >"$WORK/lftp.log" 2>&1 3<&-
    if grep -q "Delaying before reconnect" "$WORK/lftp.log"; then
        cp "$WORK/lftp.log" "/tmp/bench-upload-lftp-$1-$2.log"
        echo "(lftp reconnected during this run; log in /tmp/bench-upload-lftp-$1-$2.log)" >&2
    fi
    end=$(date +%s%N)
    [ "$(find "$WORK/root/lftp-$1-$2" -type f | wc -l)" -eq 1000 ] || { echo "lftp did not send every file" >&2; exit 1; }
    rm -rf "$WORK/root/lftp-$1-$2"
    echo $(((end - start) / 1000000))
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
# Each run gets a fresh server, so that no run inherits another's state.
# Morvane with its temporary-name upload against lftp with
# xfer:use-temp-file, and without it against plain lftp; each with and
# without the size check.
delay=${DELAY:-20}
conns=${CONNECTIONS:-8}
for temp in 1 0; do
    for size in 1 0; do
        ours=()
        theirs=()
        for rep in $(seq 1 "$REPS"); do
            start_server "$delay"
            o=$(ours_ms "$conns" "$delay" "$temp" "$size")
            stop_server
            start_server "$delay"
            t=$(lftp_ms "$conns" "$rep" "$temp")
            stop_server
            ours+=("$o")
            theirs+=("$t")
            echo "delay ${delay} ms, ${conns} connections, temp name ${temp}, size check ${size}, run $rep: morvane ${o} ms, lftp ${t} ms (load $(cut -d' ' -f1 /proc/loadavg))"
        done
        mo=$(median "${ours[@]}")
        mt=$(median "${theirs[@]}")
        ratio=$("$PY" -c "print('%.2f' % ($mo / $mt))")
        echo "== delay ${delay} ms, ${conns} connections, temp name ${temp}, size check ${size}: morvane median ${mo} ms (range $(spread "${ours[@]}")), lftp$([ "$temp" = 1 ] && echo ' use-temp-file') median ${mt} ms (range $(spread "${theirs[@]}")), ratio ${ratio}"
    done
done

echo "== 1 GB upload (own server, no delay):"
"$BENCH" --benchmark_filter=BM_UploadLargeFile 2>/dev/null | grep BM_UploadLargeFile
echo "machine load after: $(cut -d' ' -f1-3 /proc/loadavg)"
