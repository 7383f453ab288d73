#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache clang-format clang-tidy
    qt6-base-dev qt6-webengine-dev libgl-dev
    libcurl4-openssl-dev libmarkdown2-dev libhunspell-dev hunspell-en-us
    libgtest-dev libgmock-dev libbenchmark-dev
    python3-pyftpdlib python3-openssl python3-asyncssh openssl
    qtkeychain-qt6-dev gnome-keyring dbus python3-dbus python3-gi openssh-client
    xvfb xauth imagemagick fonts-dejavu-core
    desktop-file-utils appstream man-db dpkg-dev
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
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
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
