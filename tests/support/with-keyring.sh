#!/bin/sh
# Runs a test program with a session bus and an unlocked desktop keyring of
# its own (gnome-keyring-daemon), in a home folder of its own: the user's
# session and keyring are never touched. The unlock password is random and
# passes through a file, never a command line.
set -eu
if [ "${1:-}" = "--inner" ]; then
    shift
    gnome-keyring-daemon --unlock --components=secrets <"$HOME/unlock" >/dev/null 2>&1
    rm -f "$HOME/unlock"
    exec "$@"
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/morvane-keyring-XXXXXX")
trap 'rm -rf "$dir"' EXIT
(umask 077 && head -c 18 /dev/urandom | base64 >"$dir/unlock")
HOME="$dir" XDG_DATA_HOME="$dir/.local/share" XDG_CONFIG_HOME="$dir/.config" \
    XDG_RUNTIME_DIR="$dir" MORVANE_TEST_PRIVATE_BUS=1 \
    dbus-run-session -- "$0" --inner "$@"
