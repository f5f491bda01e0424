#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run    install what is missing, build, run the client against a stand-in service on a test bed
#   ./dev.sh test   install what is missing, build with sanitizers, run every test
#   ./dev.sh screenshots   list the pictures the window tests took in the last test build
#
# Both need root: they install Debian packages, and the test bed and the tests make
# network namespaces, tun devices and set-uid files. Started by anyone else, the
# script runs itself again through sudo.
set -euo pipefail
SELF=$(readlink -f "$0")
cd "$(dirname "$SELF")"

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qtbase5-dev libqt5dbus5 qttools5-dev qttools5-dev-tools libqt5svg5-dev
    xvfb xauth xdotool libxcb1-dev fonts-lato imagemagick trayer
    xdg-utils desktop-file-utils file
    qtmultimedia5-dev
    qtwebengine5-dev libgl1-mesa-dri
    openvpn openssl iproute2 iputils-ping traceroute procps util-linux dbus-daemon python3
    dnsmasq-base bind9-dnsutils
)

become_root() {   # become_root ARGS...: the script's own arguments
    [ "$(id -u)" = 0 ] && return 0
    if command -v sudo >/dev/null 2>&1; then
        exec sudo -- "$SELF" "$@"
    fi
    echo "dev.sh: needs root (packages, network namespaces, set-uid files) and sudo is not installed:" \
        "run it from a root shell, or install sudo." >&2
    exit 1
}

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {   # build <dir> [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

run() {
    install_missing
    build build
    # The real client on a test bed; without a display it runs on an X server of
    # its own and leaves its screenshots in demo-shots/.
    tests/e2e/demo.sh build demo-shots
}

test() {
    install_missing
    build build-asan -DOZM_SANITIZE=ON
    cd build-asan
    ctest --output-on-failure -j"$(nproc)"
}

screenshots() {
    local dir=build-asan/screenshots
    [ -d "$dir" ] || { echo "No screenshots yet: run ./dev.sh test first." >&2; exit 1; }
    ls -1 "$PWD/$dir"/*.png
}

case "${1:-}" in
    run) become_root "$@"; run ;;
    test) become_root "$@"; test ;;
    screenshots) screenshots ;;
    *) echo "usage: $0 run|test|screenshots" >&2; exit 2 ;;
esac
