#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache clang-format clang-tidy
    qt6-base-dev qt6-webengine-dev libgl-dev
    # lupdate and lrelease, their CMake functions, and Qt's own translations.
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    libcurl4-openssl-dev libmarkdown2-dev libhunspell-dev hunspell-en-us
    libgtest-dev libgmock-dev libbenchmark-dev
    python3-pyftpdlib python3-openssl python3-asyncssh openssl
    qtkeychain-qt6-dev gnome-keyring dbus python3-dbus python3-gi openssh-client
    xvfb xauth imagemagick fonts-dejavu-core
    desktop-file-utils appstream man-db dpkg-dev
    openssh-server
    vsftpd lftp
    # Real stylesheets and scripts for the colouring tests and benchmarks.
    libjs-jquery libjs-jquery-ui
    # Find in Site is measured beside grep and ripgrep (bench/editor).
    ripgrep
    # What proftpd (unpacked below, not installed) needs besides.
    libmemcached11 libmemcachedutil2 libpcre2-posix3 libhiredis0.14
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--bench" ]; then
    # scripts/bench-syntax.sh: the whole-process timings and their peer.
    packages+=(hyperfine libkf5syntaxhighlighting-tools)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    # The tests start their own servers (sshd…) by hand on free ports;
    # installing a server package must not start or enable its system
    # service. policy-rc.d answers "not now" to every service start while
    # the packages go in (a file that was there already is left alone).
    policy=/usr/sbin/policy-rc.d
    made_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
        "${sudo_cmd[@]}" chmod 755 "$policy"
        made_policy=1
    fi
    status=0
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" ||
        status=$?
    [ "$made_policy" = 1 ] && "${sudo_cmd[@]}" rm -f "$policy"
    [ "$status" = 0 ] || exit "$status"
    # A freshly installed ssh service stays off at the next boot too.
    if [[ " ${missing[*]} " == *" openssh-server "* ]] && [ -d /run/systemd/system ]; then
        "${sudo_cmd[@]}" systemctl disable --now ssh.service ssh.socket >/dev/null 2>&1 || true
    fi
    if [[ " ${missing[*]} " == *" vsftpd "* ]] && [ -d /run/systemd/system ]; then
        "${sudo_cmd[@]}" systemctl disable --now vsftpd.service >/dev/null 2>&1 || true
    fi
fi

# proftpd with mod_tls for the tests (tests/support/realftpserver.h). Its
# package conflicts with vsftpd's, so it is unpacked, not installed, and
# run from there.
proftpd_root=/opt/morvane-test/proftpd
if [ ! -x "$proftpd_root/usr/sbin/proftpd" ] || [ ! -e "$proftpd_root/usr/lib/proftpd/mod_tls.so" ]; then
    echo "Unpacking proftpd into $proftpd_root"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    download=$(mktemp -d)
    chmod 777 "$download" # apt-get download runs as _apt where it can
    (cd "$download" && apt-get download -qq proftpd-core proftpd-mod-crypto)
    "${sudo_cmd[@]}" mkdir -p "$proftpd_root"
    for deb in "$download"/*.deb; do
        "${sudo_cmd[@]}" dpkg -x "$deb" "$proftpd_root"
    done
    rm -rf "$download"
fi
