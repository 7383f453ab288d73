#!/bin/bash
# Upload speed on a real server: the WordPress tree (Debian's wordpress
# package, about 2,500 files, unpacked here, not installed) to vsftpd on this
# machine over FTP and over FTPS with vsftpd's TLS defaults (the data
# connections must reuse the control connection's TLS session), and to
# OpenSSH's sshd (started by hand with its own configuration) over SFTP. Morvane's
# engine (8 connections, temporary names) and `lftp mirror -R --parallel=8`
# (with xfer:use-temp-file) run alternately against the same server; each
# run's result is compared byte for byte with the tree. Prints every run and
# the medians.
#
#   [PROTOCOLS="ftp ftps sftp"] scripts/bench-upload-wordpress.sh [build folder] [repetitions]
#
# The build folder must hold bench/upload/bench_upload (configure with
# -DMORVANE_BENCHMARKS=ON); by default the `bench` preset's build-bench is
# configured and built here. Needs root: vsftpd logs in a local user made for
# the run, and removed afterwards.
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
[ -x "$BENCH" ] || { echo "missing $BENCH" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "run as root (vsftpd logs in a user made for the run)" >&2; exit 1; }

missing=()
command -v lftp >/dev/null || missing+=(lftp)
[ -x /usr/sbin/vsftpd ] || missing+=(vsftpd)
[ -x /usr/sbin/sshd ] || missing+=(openssh-server)
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

WORK=$(mktemp -d /tmp/morvane-bench-wordpress-XXXXXX)
chmod 711 "$WORK"
USER_NAME=mvbench$$
PASSWORD=Bench-$$-secret
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
    userdel -f "$USER_NAME" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The tree: the package's own files (its few links point into other
# packages and are left out).
(cd "$WORK" && apt-get download -qq wordpress 2>/dev/null)
dpkg -x "$WORK"/wordpress_*.deb "$WORK/unpacked"
mkdir -p "$WORK/site"
cp -a "$WORK/unpacked/usr/share/wordpress/." "$WORK/site/"
find "$WORK/site" -type l -delete
find "$WORK/site" -type d -empty -delete
FILES=$(find "$WORK/site" -type f | wc -l)

mkdir -p "$WORK/home" "$WORK/empty"
useradd -M -d "$WORK/home" -s /bin/bash -U "$USER_NAME"
echo "$USER_NAME:$PASSWORD" | chpasswd
chown "$USER_NAME:" "$WORK/home"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$WORK/ca.key" -out "$WORK/ca.pem" \
    -subj "/CN=Bench Authority" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$WORK/server.key" -out "$WORK/server.csr" \
    -subj "/CN=127.0.0.1" 2>/dev/null
echo "subjectAltName=IP:127.0.0.1" >"$WORK/san.cnf"
openssl x509 -req -in "$WORK/server.csr" -CA "$WORK/ca.pem" -CAkey "$WORK/ca.key" \
    -CAcreateserial -days 2 -extfile "$WORK/san.cnf" -out "$WORK/server.pem" 2>/dev/null
export SSL_CERT_FILE=$WORK/ca.pem

# Both clients of the SFTP runs see this home: its known_hosts, no agent,
# no keys of their own.
mkdir -p "$WORK/client/.ssh"
ssh-keygen -q -t ed25519 -N "" -f "$WORK/hostkey"

PORT=$("$PY" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

start_sshd() {
    {
        echo "Port $PORT"
        echo "ListenAddress 127.0.0.1"
        echo "HostKey $WORK/hostkey"
        echo "PidFile $WORK/sshd.pid"
        echo "PasswordAuthentication yes"
        echo "KbdInteractiveAuthentication no"
        echo "PubkeyAuthentication no"
        echo "UsePAM yes"
        echo "AllowUsers $USER_NAME"
        echo "MaxStartups 100"
        echo "MaxSessions 100"
        echo "Subsystem sftp internal-sftp"
    } >"$WORK/sshd_config"
    mkdir -p /run/sshd
    /usr/sbin/sshd -D -e -f "$WORK/sshd_config" </dev/null >"$WORK/sshd.out" 2>&1 &
    SERVER_PID=$!
    echo "[127.0.0.1]:$PORT $(cut -d' ' -f1-2 "$WORK/hostkey.pub")" >"$WORK/client/.ssh/known_hosts"
    for _ in $(seq 1 100); do
        if "$PY" -c "import socket,sys; s=socket.create_connection(('127.0.0.1',$PORT),1); s.settimeout(2); sys.exit(0 if s.recv(4)==b'SSH-' else 1)" 2>/dev/null; then
            return
        fi
        sleep 0.1
    done
    echo "sshd did not start:" >&2
    cat "$WORK/sshd.out" >&2
    exit 1
}

start_server() { # ftp|ftps|sftp
    if [ "$1" = sftp ]; then
        start_sshd
        return
    fi
    {
        echo "listen=YES"
        echo "listen_ipv6=NO"
        echo "background=NO"
        echo "listen_address=127.0.0.1"
        echo "listen_port=$PORT"
        echo "pam_service_name=vsftpd"
        echo "seccomp_sandbox=NO"
        echo "secure_chroot_dir=$WORK/empty"
        echo "anonymous_enable=NO"
        echo "local_enable=YES"
        echo "write_enable=YES"
        echo "local_umask=022"
        echo "chroot_local_user=YES"
        echo "allow_writeable_chroot=YES"
        echo "xferlog_enable=YES"
        echo "vsftpd_log_file=$WORK/vsftpd.log"
        if [ "$1" = ftps ]; then
            echo "ssl_enable=YES"
            echo "rsa_cert_file=$WORK/server.pem"
            echo "rsa_private_key_file=$WORK/server.key"
        fi
    } >"$WORK/vsftpd.conf"
    /usr/sbin/vsftpd "$WORK/vsftpd.conf" </dev/null >"$WORK/vsftpd.out" 2>&1 &
    SERVER_PID=$!
    for _ in $(seq 1 100); do
        if "$PY" -c "import socket,sys; s=socket.create_connection(('127.0.0.1',$PORT),1); s.settimeout(2); sys.exit(0 if s.recv(3) else 1)" 2>/dev/null; then
            return
        fi
        sleep 0.1
    done
    echo "vsftpd did not start:" >&2
    cat "$WORK/vsftpd.out" >&2
    exit 1
}

stop_server() {
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    SERVER_PID=
}

check_and_remove() { # folder below the home, who
    local target=$WORK/home/$1
    local count
    count=$(find "$target" -type f | wc -l)
    if [ "$count" -ne "$FILES" ] || ! diff -r -q "$WORK/site" "$target" >/dev/null; then
        echo "$2 did not send the tree byte for byte ($count of $FILES files)" >&2
        diff -r -q "$WORK/site" "$target" | head -5 >&2 || true
        exit 1
    fi
    rm -rf "$target"
}

median() { "$PY" -c 'import statistics,sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f" % statistics.median(v))' "$@"; }
spread() { "$PY" -c 'import sys; v=[float(x) for x in sys.argv[1:]]; print("%.0f-%.0f" % (min(v), max(v)))' "$@"; }

ours_ms() { # protocol
    local ms
    ms=$(HOME=$([ "$1" = sftp ] && echo "$WORK/client" || echo "$HOME") SSH_AUTH_SOCK= \
        MORVANE_BENCH_PROTOCOL=$([ "$1" != ftp ] && echo "$1") MORVANE_BENCH_FTP_SERVER=127.0.0.1:$PORT \
        MORVANE_BENCH_FTP_ROOT=$WORK/home MORVANE_BENCH_SITE=$WORK/site MORVANE_BENCH_KEEP=1 \
        MORVANE_BENCH_FTP_USER=$USER_NAME MORVANE_BENCH_FTP_PASSWORD=$PASSWORD \
        timeout 900 "$BENCH" --benchmark_filter="BM_UploadSite/connections:8/delay_ms:0/temp:1/size:0/" \
        --benchmark_format=json 2>"$WORK/bench.err" </dev/null |
        "$PY" -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; assert "error_message" not in b, b; print("%.0f" % b["real_time"])')
    [ -n "${BENCH_LOG:-}" ] && cp "$WORK/bench.err" "$BENCH_LOG" && cp "$WORK/vsftpd.log" "$BENCH_LOG.server"
    [ -n "$ms" ] || { tail -20 "$WORK/bench.err" >&2; exit 1; }
    check_and_remove morvane-8-0 Morvane
    echo "$ms"
}

lftp_ms() { # protocol
    local start end url=ftp://127.0.0.1 settings="set xfer:use-temp-file yes; set net:reconnect-interval-base 5; "
    if [ "$1" = sftp ]; then
        url=sftp://127.0.0.1
        # ssh finds its files through the password database, not $HOME.
        settings+="set sftp:auto-confirm no; set sftp:connect-program \"ssh -a -x -o UserKnownHostsFile=$WORK/client/.ssh/known_hosts -o IdentitiesOnly=yes -o PubkeyAuthentication=no\"; "
    elif [ "$1" = ftps ]; then
        settings+="set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file $WORK/ca.pem; "
    else
        settings+="set ftp:ssl-allow false; "
    fi
    start=$(date +%s%N)
    timeout 900 lftp -u "$USER_NAME,$PASSWORD" -p "$PORT" \
        -e "${settings}mirror -R --parallel=8 $WORK/site $([ "$1" = sftp ] && echo lftp || echo /lftp); quit" \
        "$url" </dev/null >"$WORK/lftp.log" 2>&1
    end=$(date +%s%N)
    check_and_remove lftp lftp
    echo $(((end - start) / 1000000))
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $FILES files, $(du -sh "$WORK/site" | cut -f1)"
for protocol in ${PROTOCOLS:-ftp ftps sftp}; do
    ours=()
    theirs=()
    start_server "$protocol"
    for rep in $(seq 1 "$REPS"); do
        o=$(ours_ms "$protocol")
        t=$(lftp_ms "$protocol")
        ours+=("$o")
        theirs+=("$t")
        echo "$protocol run $rep: morvane ${o} ms, lftp ${t} ms (load $(cut -d' ' -f1 /proc/loadavg))"
    done
    stop_server
    mo=$(median "${ours[@]}")
    mt=$(median "${theirs[@]}")
    echo "== $protocol ($([ "$protocol" = sftp ] && echo OpenSSH || echo vsftpd)$([ "$protocol" = ftps ] && echo ', TLS defaults')): morvane median ${mo} ms (range $(spread "${ours[@]}")), lftp median ${mt} ms (range $(spread "${theirs[@]}")), ratio $("$PY" -c "print('%.2f' % ($mo / $mt))")"
done
echo "machine load after: $(cut -d' ' -f1-3 /proc/loadavg)"
