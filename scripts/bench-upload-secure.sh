#!/bin/bash
# Upload speed over FTPS and SFTP: Morvane's engine beside lftp, run
# alternately against the same server on this machine with a delay before
# every reply (a distant host): 1,000 files of 2 KB, 8 connections,
# temporary names on both sides. Then the first connection's time
# (connect, TLS or SSH handshake, login, listing).
#
#   [DELAY=20] [CONNECTIONS=8] scripts/bench-upload-secure.sh ftps|sftp [build folder] [repetitions]
#
# FTPS: pyftpdlib demanding TLS, with a certificate from a test authority
# both clients trust. SFTP: the asyncssh server, its host key known to both.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROTOCOL=${1:?ftps or sftp}
BUILD=${2:-}
if [ -z "$BUILD" ]; then
    BUILD=$ROOT/build-bench
    (cd "$ROOT" && cmake --preset bench >/dev/null && cmake --build --preset bench --target bench_upload)
fi
REPS=${3:-3}
BENCH=$BUILD/bench/upload/bench_upload
PY=/usr/bin/python3
[ -x "$BENCH" ] || { echo "missing $BENCH" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is not installed" >&2; exit 1; }

WORK=$(mktemp -d /tmp/morvane-bench-secure-XXXXXX)
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

if [ "$PROTOCOL" = ftps ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
        -keyout "$WORK/ca.key" -out "$WORK/ca.pem" -subj "/CN=Bench Authority" 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$WORK/server.key" -out "$WORK/server.csr" -subj "/CN=127.0.0.1" 2>/dev/null
    echo "subjectAltName=IP:127.0.0.1" >"$WORK/san.cnf"
    openssl x509 -req -in "$WORK/server.csr" -CA "$WORK/ca.pem" -CAkey "$WORK/ca.key" \
        -CAcreateserial -days 2 -extfile "$WORK/san.cnf" -out "$WORK/server.pem" 2>/dev/null
    export SSL_CERT_FILE=$WORK/ca.pem
else
    ssh-keygen -q -t ed25519 -N "" -f "$WORK/hostkey"
    printf secret >"$WORK/password"
fi

start_server() { # delay
    rm -f "$WORK/ready"
    mkfifo "$WORK/ready"
    if [ "$PROTOCOL" = ftps ]; then
        "$PY" "$ROOT/tests/support/ftp_server.py" --root "$WORK/root" --threaded --delay-ms "$1" \
            --tls-cert "$WORK/server.pem" --tls-key "$WORK/server.key" >"$WORK/ready" 2>/dev/null &
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

ours_ms() { # connections delay
    MORVANE_BENCH_PROTOCOL=$PROTOCOL MORVANE_BENCH_FTP_SERVER=127.0.0.1:$PORT \
        MORVANE_BENCH_FTP_ROOT=$WORK/root MORVANE_BENCH_SITE=$WORK/site \
        timeout 900 "$BENCH" --benchmark_filter="BM_UploadSite/connections:$1/delay_ms:$2/temp:1/size:0/" \
        --benchmark_format=json 2>/dev/null </dev/null 3<&- |
        "$PY" -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; assert "error_message" not in b, b; print("%.0f" % b["real_time"])'
}

first_ms() {
    MORVANE_BENCH_PROTOCOL=$PROTOCOL MORVANE_BENCH_FTP_SERVER=127.0.0.1:$PORT \
        MORVANE_BENCH_FTP_ROOT=$WORK/root \
        timeout 300 "$BENCH" --benchmark_filter="BM_FirstConnection" --benchmark_format=json \
        2>/dev/null </dev/null 3<&- |
        "$PY" -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; assert "error_message" not in b, b; print("%.0f" % b["real_time"])'
}

lftp_ms() { # connections run
    local start end url settings="set xfer:use-temp-file yes; set net:reconnect-interval-base 5; "
    if [ "$PROTOCOL" = ftps ]; then
        url=ftp://127.0.0.1
        settings+="set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file $WORK/ca.pem; "
    else
        url=sftp://127.0.0.1
        # ssh finds its files through the password database, not $HOME.
        settings+="set sftp:auto-confirm no; set sftp:connect-program \"ssh -a -x -o UserKnownHostsFile=$HOME/.ssh/known_hosts -o IdentitiesOnly=yes\"; "
    fi
    start=$(date +%s%N)
    timeout 900 lftp -u user,secret -p "$PORT" \
        -e "${settings}mirror -R --parallel=$1 $WORK/site /lftp-$2; quit" \
        "$url" </dev/null >"$WORK/lftp.log" 2>&1 3<&-
    end=$(date +%s%N)
    [ "$(find "$WORK/root/lftp-$2" -type f | wc -l)" -eq 1000 ] ||
        { echo "lftp did not send every file:" >&2; tail -5 "$WORK/lftp.log" >&2; exit 1; }
    rm -rf "$WORK/root/lftp-$2"
    echo $(((end - start) / 1000000))
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); protocol $PROTOCOL"
delay=${DELAY:-20}
conns=${CONNECTIONS:-8}
ours=()
theirs=()
for rep in $(seq 1 "$REPS"); do
    start_server "$delay"
    o=$(ours_ms "$conns" "$delay")
    stop_server
    start_server "$delay"
    t=$(lftp_ms "$conns" "$rep")
    stop_server
    ours+=("$o")
    theirs+=("$t")
    echo "$PROTOCOL, delay ${delay} ms, ${conns} connections, run $rep: morvane ${o} ms, lftp ${t} ms"
done
mo=$(median "${ours[@]}")
mt=$(median "${theirs[@]}")
echo "== $PROTOCOL: morvane median ${mo} ms, lftp median ${mt} ms, ratio $("$PY" -c "print('%.2f' % ($mo / $mt))")"
start_server 0
echo "== $PROTOCOL first connection (handshake, login, listing; median of 5): $(first_ms) ms"
stop_server
