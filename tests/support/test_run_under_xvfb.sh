#!/usr/bin/env bash
# The private X server: the command reaches it, its exit status comes back,
# and the server is gone afterwards whether the command passed or failed.
set -u
here=$(dirname "$(readlink -f "$0")")
out=$(mktemp)
trap 'rm -f "$out"' EXIT

"$here/run_under_xvfb.sh" sh -c 'echo "$DISPLAY $QT_QPA_PLATFORM"; [ -S /tmp/.X11-unix/X${DISPLAY#:} ] || exit 9; exit 3' >"$out"
status=$?
[ "$status" = 3 ] || { echo "exit status $status, wanted 3"; exit 1; }
read -r display platform <"$out"
[ "$platform" = xcb ] || { echo "platform '$platform'"; exit 1; }
[ ! -e "/tmp/.X11-unix/X${display#:}" ] || { echo "server on $display outlived the command"; exit 1; }
[ ! -e "/tmp/.X${display#:}-lock" ] || { echo "lock of $display left behind"; exit 1; }
echo "ok: $display"
