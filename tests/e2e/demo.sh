#!/usr/bin/env bash
# One VPN session, shown step by step until the desktop client exists: a test bed of
# its own (see testbed.sh), the backend started from it, an activation through the
# backend link as the desktop client sends it, the tunnel at work, the deactivation,
# and everything taken down again. Needs root.
#
#   demo.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "${1:?usage: demo.sh BUILD_DIR}")
here=$(dirname "$(readlink -f "$0")")
TESTBED=$(mktemp -d /tmp/ozm-demo-XXXXXX)
export TESTBED
bed() { "$here/testbed.sh" "$@"; }
LINK_PID=

finish() {
    [ -n "$LINK_PID" ] && kill "$LINK_PID" 2>/dev/null
    bed teardown
    rm -rf "$TESTBED"
    return 0
}
trap finish EXIT

step() { printf '\n== %s\n' "$*"; }
show() { sed 's/^/     /'; }
STATE_NAMES=(Disconnected StateSecure Deactivated Activating Activated Deactivating)

step "Setting up a test bed: an openvpn server and a client network, each in a namespace of its own"
bed setup "$build/stage/Ozmira/Contents/Resources" >"$TESTBED.setup.log" 2>&1 \
    || { cat "$TESTBED.setup.log"; exit 1; }
rm -f "$TESTBED.setup.log"
ns=$(bed names | cut -d' ' -f2)
routes_before=$(ip -n "$ns" -4 route)
resolv_before=$(cat "/etc/netns/$ns/resolv.conf")
echo "   The client's routes:"; show <<<"$routes_before"
echo "   The client's /etc/resolv.conf:"; show <<<"$resolv_before"

step "Starting the backend, ozm_launch, from the test bed's application folder"
bed exec "$TESTBED/app/ozm_launch" >"$TESTBED/backend.log" 2>&1 &
echo "   It listens on 127.0.0.1:10014 for one client session."

step "Opening the backend link the way the desktop client does (log connection, control connection, handshake)"
coproc LINK { bed exec "$build/tests/tools/ozm_link_client/ozm_link_client" \
    --app-dir "$TESTBED/app" --data-dir "$TESTBED/data" --stay 2>&1; }
exec {link_in}>&"${LINK[1]}" {link_out}<&"${LINK[0]}"

send() { echo "$*" >&"$link_in"; }

# Reads the link client's lines, explaining the ones a person cares about, until one
# matches the pattern (left in $line); the backend's log lines go to a file.
follow() {   # follow PATTERN [SECONDS]
    local kind rest words shown=
    while IFS= read -r -t "${2:-60}" -u "$link_out" line; do
        kind=${line#* }; kind=${kind%% *}; rest=${line#* * }
        case $kind in
            HANDSHAKE) echo "   handshake: backend number ${rest% *}, verdict ${rest#* } (accepted)" ;;
            SENT) echo "   -> request ${rest#* }" | sed 's/ [0-9]*$//' ;;
            EVENT)
                case $rest in
                    "OZM_ACTIVATION_STATE_CHANGED "*)
                        # The backend repeats a state at every step openvpn reports.
                        [ "$shown" = "$rest" ] || echo "   <- activation state ${rest##* } (${STATE_NAMES[${rest##* }]})" ;;
                    "OZM_VPN_STATISTICS_UPDATED "*)
                        read -r -a words <<<"$rest"
                        echo "   <- traffic so far: ${words[1]} bytes received, ${words[2]} bytes sent" ;;
                    "OZM_LOCAL_CONNECTION_IS_CHANGED "*) echo "   <- network report: $rest" | cut -c1-110 ;;
                    *) echo "   <- event $rest" ;;
                esac ;;
            LOG) echo "$rest" >>"$TESTBED/link-log.txt" ;;
            ERROR | CLOSED) echo "   link: $line" ;;
        esac
        [ "$kind" = EVENT ] && shown=$rest
        [[ $line =~ $1 ]] && return 0
    done
    echo "   (nothing matching '$1' came)" >&2
    return 1
}

follow 'EVENT OZM_ACTIVATION_STATE_CHANGED'
idle=${line##* }

step "Activating: the VPN credentials travel as one XML record; the backend starts openvpn"
send "OZM_VPN_ACTIVATE \"<?xml version=\\\"1.0\\\"?><VpnAuthData><host>10.77.0.1</host><user>alice</user><password>s3cret</password><is_encrypted>1</is_encrypted></VpnAuthData>\""
echo "   (openvpn waits five seconds before it sets the routes, so this takes a few seconds)"
follow 'EVENT OZM_ACTIVATION_STATE_CHANGED 4$' 60

step "The tunnel is up"
echo "   The client's default route now points into the tunnel:"; ip -n "$ns" -4 route show default | show
echo "   and its /etc/resolv.conf holds the DNS server the VPN server pushed:"; show <"/etc/netns/$ns/resolv.conf"

step "Pinging the server's end of the tunnel while the backend reports the traffic every two seconds"
bed exec ping -q -c 20 -i 0.3 10.8.0.1 >"$TESTBED/ping.txt" 2>&1 &
for _ in 1 2 3; do follow 'EVENT OZM_VPN_STATISTICS_UPDATED' 10; done
wait $! && grep 'packets transmitted' "$TESTBED/ping.txt" | show

step "Deactivating: the backend stops openvpn, which puts routes and DNS back"
send OZM_VPN_DEACTIVATE
follow "EVENT OZM_ACTIVATION_STATE_CHANGED $idle\$" 30
for _ in $(seq 50); do [ -z "$(bed pids openvpn)" ] && break; sleep 0.1; done
[ "$(ip -n "$ns" -4 route)" = "$routes_before" ] && echo "   routes: as before" || { echo "   routes differ:"; ip -n "$ns" -4 route | show; }
[ "$(cat "/etc/netns/$ns/resolv.conf")" = "$resolv_before" ] && echo "   resolv.conf: as before" \
    || { echo "   resolv.conf differs:"; show <"/etc/netns/$ns/resolv.conf"; }

step "Closing the link: the backend ends with its session"
send @close
wait "$LINK_PID" 2>/dev/null || true
LINK_PID=
for _ in $(seq 50); do [ -z "$(bed pids ozm_launch)" ] && break; sleep 0.1; done
[ -z "$(bed pids ozm_launch)" ] && echo "   ozm_launch has exited." || echo "   ozm_launch is still running."
echo "   The backend's log lines came over the log connection; the last few:"
tail -n 4 "$TESTBED/link-log.txt" | cut -c1-110 | show

step "Taking the test bed down"
finish
echo "   Namespaces, servers and files are gone."
