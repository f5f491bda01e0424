#!/usr/bin/env bash
# The README's first command where there is no display: the demo runs the real
# client on a bed and an X server of its own, signs in, activates and quits. It
# leaves one screenshot per screen, the client side's routes and resolver as they
# were, and nothing of its bed.
#   test_demo.sh BUILD_DIR
set -u
here=$(dirname "$(readlink -f "$0")")
build=${1:?usage: test_demo.sh BUILD_DIR}
shots=$build/screenshots/demo
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail() { cat "$out"; echo "FAIL: $*"; exit 1; }

env -u DISPLAY -u SUDO_USER "$here/demo.sh" "$build" "$shots" >"$out" 2>&1
status=$?
[ "$status" = 0 ] || fail "demo.sh ended with $status"
for name in 01-configuring 02-email 03-password 04-configured 05-connecting 06-encrypted; do
    [ -s "$shots/$name.png" ] || fail "no screenshot $name.png"
done
# The activation screens by their panels' colours: yellow, then the green of "Encrypted".
colour() { convert "$shots/$1.png" -format '%[hex:p{30,300}]' info:; }
[ "$(colour 05-connecting)" = EDC43B ] || fail "05-connecting.png is not the yellow activation screen"
[ "$(colour 06-encrypted)" = 0EA34B ] || fail "06-encrypted.png is not the green Encrypted screen"
grep -q 'default via .* dev tun0' "$out" || fail "no default route through the tunnel shown"
grep -q '^   routes, resolv.conf: as before$' "$out" || fail "the client side's routes or resolver changed"

read -r servers client < <(sed -n 's/^   namespaces: \([^ ]*\) (servers), \([^ ]*\) (client side)$/\1 \2/p' "$out")
[ -n "${client:-}" ] || fail "the demo named no namespaces"
ip netns list | grep -qE "^($servers|$client)( |\$)" && fail "a namespace of the bed is left"
[ ! -e "/etc/netns/$client" ] || fail "/etc/netns/$client is left"
bed=$(sed -n 's|^   home: \(.*\)/home$|\1|p' "$out")
[ -n "$bed" ] && [ ! -e "$bed" ] || fail "the bed's folder $bed is left"
echo "ok: $shots"
