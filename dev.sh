#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run    install what is missing, build, run a VPN session on a test bed
#   ./dev.sh test   install what is missing, build with sanitizers, run every test
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qtbase5-dev libqt5dbus5 qttools5-dev qttools5-dev-tools
    openvpn openssl iproute2 iputils-ping traceroute procps util-linux dbus-daemon python3
)

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {   # build <dir> [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

run() {
    install_missing
    build build
    # Until the desktop client exists, the program is shown at work on a test bed.
    tests/e2e/demo.sh build
}

test() {
    install_missing
    build build-asan -DOZM_SANITIZE=ON
    cd build-asan
    ctest --output-on-failure -j"$(nproc)"
}

case "${1:-}" in
    run) run ;;
    test) test ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
