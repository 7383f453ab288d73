#!/bin/bash
# Download speed: a whole `morvane download` (the walk of the server folder,
# the comparison, the download; bench/upload/bench_sync) beside lftp's
# `mirror --parallel=N`, run alternately against the same server on this
# machine with a delay before every reply (a distant host): 1,000 files of
# 2 KB in 20 folders. FTP: pyftpdlib; SFTP: the asyncssh server, its host
# key known to both clients. Then the comparison of an identical
# 10,000-file site over FTP, with the commands the server received.
#
#   [DELAY=20] [CONNECTIONS=8] [BASELINE=<another bench_sync>] \
#       scripts/bench-download.sh ftp|sftp [build folder] [repetitions]
#
# BASELINE runs an older build's bench_sync in the same rotation, for a
# before-and-after. Prints every run and the medians.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROTOCOL=${1:?ftp or sftp}
BUILD=${2:-}
if [ -z "$BUILD" ]; then
    BUILD=$ROOT/build-bench
    (cd "$ROOT" && cmake --preset bench >/dev/null && cmake --build --preset bench --target bench_sync)
fi
REPS=${3:-3}
BENCH=$BUILD/bench/upload/bench_sync
BASELINE=${BASELINE:-}
PY=/usr/bin/python3
[ -x "$BENCH" ] || { echo "missing $BENCH" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is not installed" >&2; exit 1; }

WORK=$(mktemp -d /tmp/morvane-bench-download-XXXXXX)
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
# Both clients see this home: its known_hosts, no agent, no own keys.
export HOME=$WORK/home
mkdir -p "$HOME/.ssh"
unset SSH_AUTH_SOCK

# The server's folder: 1,000 files of 2 KB in 20 folders.
"$PY" - "$WORK/root/download-site" <<'PYEOF'
import os, sys
root = sys.argv[1]
for i in range(1000):
    folder = os.path.join(root, "folder%02d" % (i % 20))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%d.html" % i), "wb") as f:
        f.write(bytes([i % 256]) + b"x" * 2047)
PYEOF
if [ "$PROTOCOL" = sftp ]; then
    ssh-keygen -q -t ed25519 -N "" -f "$WORK/hostkey"
    printf secret >"$WORK/password"
fi

start_server() { # delay
    rm -f "$WORK/ready" "$WORK/commands.log"
    mkfifo "$WORK/ready"
    if [ "$PROTOCOL" = ftp ]; then
        "$PY" "$ROOT/tests/support/ftp_server.py" --root "$WORK/root" --threaded --delay-ms "$1" \
            --command-log "$WORK/commands.log" >"$WORK/ready" 2>/dev/null &
    else
        "$PY" "$ROOT/tests/support/sftp_server.py" --root "$WORK/root" --delay-ms "$1" \
            --host-key "$WORK/hostkey" --password-file "$WORK/password" >"$WORK/ready" 2>/dev/null &
    fi
    SERVER_PID=$!
    exec 3<"$WORK/ready"
    local word
    read -r -t 30 -u 3 word PORT || true
    [ "${word:-}" = READY ] || { echo "server did not start" >&2; exit 1; }
    if [ "$PROTOCOL" = sftp ]; then
        echo "[127.0.0.1]:$PORT $(cut -d' ' -f1-2 "$WORK/hostkey.pub")" >"$HOME/.ssh/known_hosts"
    fi
}

stop_server() {
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    exec 3<&-
    SERVER_PID=
}

median() { "$PY" -c 'import statistics,sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f" % statistics.median(v))' "$@"; }
spread() { "$PY" -c 'import sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f-%.0f" % (min(v), max(v)))' "$@"; }

bench_ms() { # binary filter
    MORVANE_BENCH_PROTOCOL=$([ "$PROTOCOL" = sftp ] && echo sftp || true) \
        MORVANE_BENCH_FTP_SERVER=127.0.0.1:$PORT MORVANE_BENCH_FTP_ROOT=$WORK/root \
        MORVANE_BENCH_COMMAND_LOG=$([ "$PROTOCOL" = ftp ] && echo "$WORK/commands.log" || true) \
        timeout 900 "$1" --benchmark_filter="$2" --benchmark_repetitions=1 \
        --benchmark_format=json 2>/dev/null </dev/null 3<&- |
        "$PY" -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; assert "error_message" not in b, b; print("%.0f" % b["real_time"])'
}

lftp_ms() { # connections
    local start end url settings="set net:reconnect-interval-base 5; "
    if [ "$PROTOCOL" = ftp ]; then
        url=ftp://127.0.0.1
    else
        url=sftp://127.0.0.1
        # ssh finds its files through the password database, not $HOME.
        settings+="set sftp:auto-confirm no; set sftp:connect-program \"ssh -a -x -o UserKnownHostsFile=$HOME/.ssh/known_hosts -o IdentitiesOnly=yes\"; "
    fi
    rm -rf "$WORK/lftp-out"
    start=$(date +%s%N)
    timeout 900 lftp -u user,secret -p "$PORT" \
        -e "${settings}mirror --parallel=$1 /download-site $WORK/lftp-out; quit" \
        "$url" </dev/null >"$WORK/lftp.log" 2>&1 3<&-
    end=$(date +%s%N)
    [ "$(find "$WORK/lftp-out" -type f | wc -l)" -eq 1000 ] ||
        { echo "lftp did not fetch every file:" >&2; tail -5 "$WORK/lftp.log" >&2; exit 1; }
    echo $(((end - start) / 1000000))
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); protocol $PROTOCOL"
delay=${DELAY:-20}
conns=${CONNECTIONS:-8}
filter="BM_DownloadSite/connections:$conns/delay_ms:$delay/"
ours=()
base=()
theirs=()
for rep in $(seq 1 "$REPS"); do
    start_server "$delay"
    o=$(bench_ms "$BENCH" "$filter")
    ours+=("$o")
    line="run $rep: morvane ${o} ms"
    if [ -n "$BASELINE" ]; then
        b=$(bench_ms "$BASELINE" "$filter")
        base+=("$b")
        line+=", baseline ${b} ms"
    fi
    t=$(lftp_ms "$conns")
    theirs+=("$t")
    stop_server
    echo "$line, lftp ${t} ms (load $(cut -d' ' -f1 /proc/loadavg))"
done
mo=$(median "${ours[@]}")
mt=$(median "${theirs[@]}")
echo "== $PROTOCOL, delay ${delay} ms, ${conns} connections: morvane median ${mo} ms (range $(spread "${ours[@]}")), ratio $("$PY" -c "print('%.2f' % ($mo / $mt))")"
if [ -n "$BASELINE" ]; then
    mb=$(median "${base[@]}")
    echo "== baseline median ${mb} ms (range $(spread "${base[@]}")), ratio $("$PY" -c "print('%.2f' % ($mb / $mt))")"
fi
echo "== lftp mirror --parallel=$conns median ${mt} ms (range $(spread "${theirs[@]}"))"

if [ "$PROTOCOL" = ftp ]; then
    echo "== compare of an identical 10,000-file site (own server, delay ${delay} ms):"
    timeout 900 "$BENCH" --benchmark_filter="BM_CompareSite/files:10000/delay_ms:$delay/" 2>/dev/null |
        grep BM_CompareSite
fi
echo "machine load after: $(cut -d' ' -f1-3 /proc/loadavg)"
