#!/bin/sh
# Runs a test program with a session bus of its own whose desktop keyring
# refuses every request: gnome-keyring-daemon runs, but no keyring was ever
# made or unlocked, so there is no default collection. In a home folder of
# its own: the user's session and keyring are never touched.
set -eu
if [ "${1:-}" = "--inner" ]; then
    shift
    gnome-keyring-daemon --start --components=secrets </dev/null >/dev/null 2>&1
    exec "$@"
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/morvane-keyring-XXXXXX")
trap 'rm -rf "$dir"' EXIT
HOME="$dir" XDG_DATA_HOME="$dir/.local/share" XDG_CONFIG_HOME="$dir/.config" \
    XDG_RUNTIME_DIR="$dir" MORVANE_TEST_PRIVATE_BUS=1 \
    dbus-run-session -- "$0" --inner "$@"
