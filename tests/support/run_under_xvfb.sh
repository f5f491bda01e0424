#!/usr/bin/env bash
# run_under_xvfb.sh COMMAND [ARGS...]
# Runs one command against an X server of its own: a fresh Xvfb on a display
# number the server picks itself (so parallel tests never collide), reachable
# only through its local socket, gone when the command ends however it ends.
set -uo pipefail

runtime=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# Xvfb writes the display number to the descriptor once it accepts clients.
# -noreset: a server that resets whenever its last client goes refuses the
# clients that come meanwhile, and a test's helpers come and go one by one. It
# runs in a session of its own: a Ctrl-C at the terminal goes to the command,
# which may still need its display to wind down.
exec {display_fd}< <(exec setsid Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$runtime/xvfb.log")
xvfb_pid=$!
if ! read -r display <&"$display_fd"; then
    echo "run_under_xvfb: Xvfb did not start:" >&2
    cat "$runtime/xvfb.log" >&2
    exit 1
fi

# The windows draw with Qt's raster engine, and the embedded browser composites in
# software without it. Qt's OpenGL probe would load Mesa's driver for each new
# window and unload it again, and what that driver keeps past its unloading reads
# as a leak from an unknown module, which no suppression can name.
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none XDG_RUNTIME_DIR="$runtime"
"$@"
