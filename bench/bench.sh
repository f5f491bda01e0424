#!/usr/bin/env bash
# Figures for one test bed (tests/e2e/testbed.sh); never a pass/fail test. Needs root.
#   1. Time to a connected tunnel, alternating ten times: openvpn started by hand with
#      the backend's own command line (credentials given over its management port at
#      once), against ozm_launch from "OZM_VPN_ACTIVATE" to the Activated event.
#   2. The backend's peak RSS and CPU time over a 60 s activated session.
#   3. Link round trips: requests per second over 10000 "OZM_INITIAL_ACTIVATION_STATE" (the
#      network looked at afresh for each), and over as many "OZM_SET_CURRENT_CLUSTER" (no
#      work behind it: what the link itself costs on this machine), each the median of
#      RATE_RUNS runs (5).
#
#   bench.sh BUILD_DIR     (a build without sanitizers gives figures worth reading)
set -euo pipefail
build=$(readlink -f "${1:?usage: bench.sh BUILD_DIR}")
here=$(dirname "$(readlink -f "$0")")
TESTBED=$(mktemp -d /tmp/ozm-bench-XXXXXX)
export TESTBED
bed() { "$here/../tests/e2e/testbed.sh" "$@"; }
trap 'bed teardown; rm -rf "$TESTBED"' EXIT

ROUNDS=${ROUNDS:-10} SESSION_S=${SESSION_S:-60} REQUESTS=${REQUESTS:-10000} RATE_RUNS=${RATE_RUNS:-5}
LINK_CLIENT=$build/tests/tools/ozm_link_client/ozm_link_client
AUTH='"<?xml version=\"1.0\"?><VpnAuthData><host>10.77.0.1</host><user>alice</user><password>s3cret</password><is_encrypted>1</is_encrypted></VpnAuthData>"'
ACTIVATED='EVENT OZM_ACTIVATION_STATE_CHANGED 4$'
TICKS=$(getconf CLK_TCK)

now_ms() { date +%s%3N; }
# The link client stamps its lines HH:mm:ss.zzz.
stamp_ms() { awk -F'[:. ]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4; exit }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
wait_gone() { local i; for i in $(seq 200); do [ -z "$(bed pids "$1")" ] && return 0; sleep 0.05; done; return 1; }
wait_line() {   # wait_line FILE PATTERN SECONDS
    local i; for i in $(seq $(($3 * 20))); do grep -q "$2" "$1" && return 0; sleep 0.05; done; return 1
}

# CPU milliseconds of the backend itself and of the tools it ran and waited for.
cpu() { awk -v t="$TICKS" '{ printf "%d %d\n", ($14 + $15) * 1000 / t, ($16 + $17) * 1000 / t }' "/proc/$backend_pid/stat"; }

backend() { bed exec "$TESTBED/app/ozm_launch" >/dev/null 2>&1 & }
# Runs a link session with the script lines given, its output in FILE.
link() {   # link FILE LINE...
    local out=$1; shift
    bed exec "$LINK_CLIENT" --app-dir "$TESTBED/app" --data-dir "$TESTBED/data" --timeout 90000 "$@" >"$out" 2>&1
}
activation_script=("OZM_VPN_ACTIVATE $AUTH" "@event OZM_ACTIVATION_STATE_CHANGED 4")
deactivation_script=(OZM_VPN_DEACTIVATE "@event OZM_RESTORE_SAVED_CLUSTER_AND_SERVER")

# One activation through the backend: milliseconds from the request to Activated.
backend_round() {
    backend
    link "$TESTBED/round.txt" "${activation_script[@]}" "${deactivation_script[@]}"
    wait_gone openvpn && wait_gone ozm_launch
    local sent activated
    sent=$(grep -m1 ' SENT .* OZM_VPN_ACTIVATE' "$TESTBED/round.txt" | stamp_ms)
    activated=$(grep -m1 "$ACTIVATED" "$TESTBED/round.txt" | stamp_ms)
    echo $((activated - sent))
}

# The management client of a raw run: credentials as soon as asked, then wait for
# the tunnel. Inside the client side, so bash's /dev/tcp reaches the bed's loopback.
RESPONDER='until exec 3<>/dev/tcp/127.0.0.1/10011; do sleep 0.01; done 2>/dev/null
echo "state on" >&3
while IFS= read -r line <&3; do
    case $line in
        *"PASSWORD:Need '"'"'Auth'"'"' username/password"*) printf "username Auth alice\npassword Auth s3cret\n" >&3 ;;
        *",CONNECTED,SUCCESS"*) exit 0 ;;
    esac
done
exit 1'

# One openvpn started by hand: milliseconds from its start to CONNECTED.
raw_round() {
    local started connected
    started=$(now_ms)
    bed exec "${OPENVPN_ARGV[@]}" >/dev/null 2>&1 &
    timeout 60 "$here/../tests/e2e/testbed.sh" exec bash -c "$RESPONDER"
    connected=$(now_ms)
    kill -TERM $(bed pids openvpn)
    wait_gone openvpn
    echo $((connected - started))
}

# Requests per second over REQUESTS round trips of one request line, each sent once
# the one before is answered: RATE_RUNS runs of a new backend each, and their median,
# as a single run on a shared machine swings by a fifth either way.
link_rate() {   # link_rate LINE
    local run rates=() first last replies
    seq "$REQUESTS" | sed "s/.*/$1/" >"$TESTBED/requests.txt"
    for run in $(seq "$RATE_RUNS"); do
        backend
        bed exec "$LINK_CLIENT" --app-dir "$TESTBED/app" --data-dir "$TESTBED/data" <"$TESTBED/requests.txt" >"$TESTBED/trips.txt" 2>&1
        wait_gone ozm_launch
        first=$(grep -m1 ' SENT ' "$TESTBED/trips.txt" | stamp_ms)
        last=$(grep ' REPLY ' "$TESTBED/trips.txt" | tail -n1 | stamp_ms)
        replies=$(grep -c ' REPLY ' "$TESTBED/trips.txt")
        rates+=("$(awk -v n="$replies" -v ms=$((last - first)) 'BEGIN { printf "%.0f", n * 1000 / ms }')")
        [ "$replies" = "$REQUESTS" ] || echo "   run $run: $replies replies of $REQUESTS" >&2
    done
    printf '   %s: %s requests per second (median of %s runs of %s: %s)\n' "${1%% *}" \
        "$(printf '%s\n' "${rates[@]}" | median)" "$RATE_RUNS" "$REQUESTS" "${rates[*]}"
}

echo "Setting up the test bed..."
bed setup "$build/stage/Ozmira/Contents/Resources" >/dev/null 2>&1

# A first activation, not timed, lends the raw runs the backend's exact command line.
backend
link "$TESTBED/warmup.txt" "${activation_script[@]}" "@wait 200" "${deactivation_script[@]}" &
for _ in $(seq 400); do pid=$(bed pids openvpn) && [ -n "$pid" ] && break; sleep 0.05; done
mapfile -d '' -t OPENVPN_ARGV <"/proc/$pid/cmdline"
# The backend hands openvpn its pid and log files as descriptors; by hand they are files.
for i in "${!OPENVPN_ARGV[@]}"; do
    case ${OPENVPN_ARGV[i]} in /dev/fd/*) OPENVPN_ARGV[i]=$TESTBED/raw-run.$i ;; esac
done
wait
wait_gone openvpn && wait_gone ozm_launch

echo "1. Time to a connected tunnel, $ROUNDS rounds each, alternating:"
raw=() ours=()
for round in $(seq "$ROUNDS"); do
    raw+=("$(raw_round)")
    ours+=("$(backend_round)")
    printf '   round %2d: openvpn by hand %5d ms, ozm_launch %5d ms\n' "$round" "${raw[-1]}" "${ours[-1]}"
done
raw_median=$(printf '%s\n' "${raw[@]}" | median)
ours_median=$(printf '%s\n' "${ours[@]}" | median)
awk -v raw="$raw_median" -v ours="$ours_median" \
    'BEGIN { printf "   median: openvpn by hand %s ms, ozm_launch %s ms, ratio %.2f\n", raw, ours, ours / raw }'

echo "2. The backend over a ${SESSION_S} s activated session:"
backend
link "$TESTBED/session.txt" "${activation_script[@]}" "@wait $((SESSION_S * 1000 + 2000))" "${deactivation_script[@]}" &
link_job=$!
wait_line "$TESTBED/session.txt" "$ACTIVATED" 60
backend_pid=$(bed pids ozm_launch)
read -r own_before children_before < <(cpu)
sleep "$SESSION_S"
read -r own_after children_after < <(cpu)
peak=$(awk '/^VmHWM/ { print $2, $3 }' "/proc/$backend_pid/status")
wait "$link_job"
wait_gone openvpn && wait_gone ozm_launch
echo "   peak RSS $peak; CPU $((own_after - own_before)) ms (its own), $((children_after - children_before)) ms (tools it ran)"

echo "3. Link round trips:"
link_rate OZM_INITIAL_ACTIVATION_STATE
link_rate "OZM_SET_CURRENT_CLUSTER Testbed"
