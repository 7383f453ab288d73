#!/bin/sh
# Runs a test program with a session bus and an unlocked desktop keyring of
# its own (gnome-keyring-daemon), in a home folder of its own: the user's
# session and keyring are never touched. The unlock password is random and
# passes through a file, never a command line.
#   with-keyring.sh [--silent] PROGRAM ARGS...
# --silent puts a keyring there that never answers (silent_keyring.py).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--inner" ]; then
    shift
    gnome-keyring-daemon --unlock --components=secrets <"$HOME/unlock" >/dev/null 2>&1
    rm -f "$HOME/unlock"
    exec "$@"
fi
if [ "${1:-}" = "--inner-silent" ]; then
    shift
    mkfifo "$HOME/ready"
    /usr/bin/python3 "$here/silent_keyring.py" >"$HOME/ready" &
    # Waits for the keyring to hold its name on the bus.
    read -r line <"$HOME/ready"
    [ "$line" = ready ] || { echo "the silent keyring did not start" >&2; exit 1; }
    exec "$@"
fi
mode=--inner
if [ "${1:-}" = "--silent" ]; then
    mode=--inner-silent
    shift
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/morvane-keyring-XXXXXX")
trap 'rm -rf "$dir"' EXIT
(umask 077 && head -c 18 /dev/urandom | base64 >"$dir/unlock")
HOME="$dir" XDG_DATA_HOME="$dir/.local/share" XDG_CONFIG_HOME="$dir/.config" \
    XDG_RUNTIME_DIR="$dir" MORVANE_TEST_PRIVATE_BUS=1 \
    dbus-run-session -- "$0" "$mode" "$@"
