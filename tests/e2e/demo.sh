#!/usr/bin/env bash
# One VPN session of the real client, shown on a test bed of its own (see testbed.sh):
# the service stand-in in the servers' namespace under the operator's host names,
# the client installed in the bed as an installation would (root-owned, ozm_launch
# set-uid), and `ozm` started on the client side as an unprivileged user with a
# throwaway home. Nothing outside the bed's namespaces changes. Needs root.
#
#   demo.sh BUILD_DIR [SHOTS_DIR]
#
# With a desktop session (DISPLAY naming a local X server) the window opens on that
# display and the person at it signs in, activates and quits; the tray icon shows
# there where the desktop has a tray. Without one the session runs on an X server
# of its own with a tray host, xdotool types, one screenshot per screen goes to
# SHOTS_DIR (./demo-shots), and the client quits once the tunnel has been shown.
set -euo pipefail
SELF=$(readlink -f "$0")
here=$(dirname "$SELF")
build=$(readlink -f "${1:?usage: demo.sh BUILD_DIR [SHOTS_DIR]}")
shots=$(readlink -m "${2:-demo-shots}")
# Set when the script runs itself again under an X server of its own.
headless=${OZM_DEMO_HEADLESS:-}

local_display() {   # a display the client side reaches through its socket file
    [[ ${DISPLAY:-} =~ ^(unix)?:([0-9]+)(\.[0-9]+)?$ ]] && [ -S "/tmp/.X11-unix/X${BASH_REMATCH[2]}" ]
}

if [ -z "$headless" ] && ! local_display; then
    [ -n "${DISPLAY:-}" ] && echo "The display $DISPLAY is not a local X server; the demo runs on one of its own."
    OZM_DEMO_HEADLESS=1 exec "$here/../support/run_under_xvfb.sh" "$SELF" "$build" "$shots"
fi

EMAIL=demo@example.org
PASSWORD=demo-password
SERVICE_HOST=api.ozmira.net
WEB_HOST=www.ozmira.com
SERVER=10.77.0.1
TUNNEL_GATEWAY=10.8.0.1

# The client runs as the person who started the demo, or as nobody from a root shell.
if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    BED_UID=$(id -u "$SUDO_USER") BED_GID=$(id -g "$SUDO_USER")
    user_name=$SUDO_USER
else
    BED_UID=$(id -u nobody) BED_GID=$(id -g nobody)
    user_name=nobody
fi
export BED_UID BED_GID

TESTBED=$(mktemp -d /tmp/ozm-demo-XXXXXX)
export TESTBED
home=$TESTBED/home
log=$home/.local/share/Ozmira/log.txt
bed() { "$here/testbed.sh" "$@"; }
as_user() { bed user-exec "$home" "$@"; }
client=$TESTBED/Ozmira/Contents/bin/ozm
SERVICE_PID= TRAY_PID= CLIENT_PID= web_host_input=

step() { printf '\n== %s\n' "$*"; }
show() { sed 's/^/     /'; }

# Takes everything down, whatever is left of it.
finish() {
    trap - INT TERM EXIT
    set +e
    [ -n "$CLIENT_PID" ] && kill "$CLIENT_PID" 2>/dev/null
    [ -n "$TRAY_PID" ] && kill "$TRAY_PID" 2>/dev/null
    [ -n "$web_host_input" ] && exec {web_host_input}>&-
    [ -n "$SERVICE_PID" ] && kill "$SERVICE_PID" 2>/dev/null && wait "$SERVICE_PID" 2>/dev/null
    bed teardown
    rm -rf "$TESTBED"
    return 0
}
trap finish EXIT

# What the service stand-in answers: the demo account, first without this
# computer and, once the computer has registered, with it (the client sends its
# device id, which the answer repeats); the cluster "Demo" of the bed's live
# server and its dead ones; the VPN credentials; brand information with a logo
# made here; no update. Everything else gets the stand-in's sample answers.
write_service_replies() {   # write_service_replies FOLDER
    local folder=$1 ok='<status>success</status>' servers='' names='' n=0 host
    for host in "$SERVER" 10.77.0.11 10.77.0.12 10.77.0.13; do
        n=$((n + 1))
        servers+="<server><name>Demo $n</name><hostname>$host</hostname><city>Namespace</city><country>TL</country><state></state></server>"
        names+="<element>Demo $n</element>"
    done
    convert -size 120x40 xc:'#1B4F72' -fill white -font Lato-Bold -pointsize 22 -gravity center \
        -annotate 0 'Demo VPN' -depth 8 "png:$folder/logo.png"
    local account="$ok<code>701</code><lictype>Premium</lictype><tariff_name>Demo</tariff_name><account_type>1</account_type><not_before>2024-01-01 00:00:00</not_before><not_after>2099-12-31 23:59:59</not_after><total_days>365</total_days><left_days>365</left_days><days_before_start>0</days_before_start><has_password>1</has_password><user_device_limit>5</user_device_limit>"
    cat >"$folder/replies.json" <<JSON
[
 {"match": {"path": "/mobile/licMobile", "act": "profile"}, "reply": {"fill": ["devid"],
  "headers": [["Content-Type", "text/xml"]],
  "body": "<response><result>$account<existing_device_count>1</existing_device_count><devlist><device><devid>{devid}</devid><device_name>Demo computer</device_name></device></devlist><seriallist><item><serial>DEMO-{devid}</serial></item></seriallist></result></response>"}},
 {"match": {"path": "/mobile/licMobile", "act": "profile"}, "reply": {"times": 1,
  "headers": [["Content-Type", "text/xml"]],
  "body": "<response><result>$account<existing_device_count>0</existing_device_count><devlist></devlist><seriallist></seriallist></result></response>"}},
 {"match": {"path": "/mobile/licMobile", "act": "init"}, "reply": {
  "headers": [["Content-Type", "text/xml"]],
  "body": "<response><result>$ok<vpnlist>$servers</vpnlist><clusters><cluster><name>Demo</name><description>Demo</description><iso_country_code>TL</iso_country_code><servers>$names</servers></cluster></clusters><location><ip>10.77.0.2</ip><description>Namespace</description><iso_country_code>TL</iso_country_code></location></result></response>"}},
 {"match": {"path": "/setup_connection"}, "reply": {
  "headers": [["Content-Type", "text/xml"]],
  "body": "<response><result>$ok<code>1501</code><glossary><hostname>$SERVER</hostname><username>alice</username><password>s3cret</password></glossary><encrypted>1</encrypted></result></response>"}},
 {"match": {"path": "/dictionary"}, "reply": {
  "headers": [["Content-Type", "text/xml"]],
  "body": "<result>$ok<value><product_name>Ozmira</product_name><brand_name>Ozmira Demo</brand_name><buy_url>https://$WEB_HOST/buy/</buy_url><support_email>support@example.org</support_email><feedback_email>feedback@example.org</feedback_email><placeholder_email>$EMAIL</placeholder_email><icon_72x72px/><logo>$(base64 -w0 "$folder/logo.png")</logo></value></result>"}},
 {"match": {"path": "/mobile/licMobile", "act": "update"}, "reply": {
  "headers": [["Content-Type", "text/xml"]], "body": "<result>$ok</result>"}}
]
JSON
}

# The stand-in listens in the servers' namespace, where the client side's hosts
# file sends the service's host name; the web host answers the confirmation page
# there too, without which the client takes the network for one behind a log-in
# page. Both have their certificates from one CA made for this run.
start_service() {
    local folder=$TESTBED/service
    mkdir -m 700 "$folder"
    write_service_replies "$folder"
    setsid "$here/testbed.sh" server-exec python3 "$here/../fakes/stand_in_service.py" --cert-dir "$folder" --address "$SERVER" \
        --port-file "$folder/ports.json" --replies "$folder/replies.json" >"$TESTBED/service.log" 2>&1 &
    SERVICE_PID=$!
    # It has made the CA, which the web host then takes, once it has written its ports.
    wait_for "[ -s $folder/ports.json ]" || { cat "$TESTBED/service.log"; echo "The service stand-in did not start." >&2; exit 1; }
    SERVICE_PORT=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["https"])' "$folder/ports.json")
    mkfifo "$folder/web-host.in"
    setsid "$here/testbed.sh" server-exec python3 "$here/../fakes/web_host.py" --cert-dir "$folder" --listen "$SERVER" --name "$WEB_HOST" \
        --page "Your connection is confirmed." <"$folder/web-host.in" >"$TESTBED/web-host.log" 2>&1 &
    # The web host runs until its input ends.
    exec {web_host_input}>"$folder/web-host.in"
    wait_for "grep -qs '^ready' $TESTBED/web-host.log" || { cat "$TESTBED/web-host.log"; echo "The web host did not start." >&2; exit 1; }
    mkdir -p "$TESTBED/app/certs"
    cp "$folder/ca.pem" "$TESTBED/app/certs/test-ca.pem"
}

wait_for() {   # wait_for CONDITION: up to 30 s
    local _
    for _ in $(seq 300); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

# The person's X server: its cookie goes into the throwaway home, with the family
# "any host" so that it holds on the client side whatever the host is called there.
copy_display_cookie() {
    local source=${XAUTHORITY:-$(getent passwd "$user_name" | cut -d: -f6)/.Xauthority}
    export XAUTHORITY=$home/.Xauthority
    : >"$XAUTHORITY"
    [ -r "$source" ] && xauth -f "$source" nlist "$DISPLAY" | sed 's/^..../ffff/' | xauth -f "$XAUTHORITY" nmerge -
    chown "$BED_UID:$BED_GID" "$XAUTHORITY"
    chmod 600 "$XAUTHORITY"
}

# The person's session bus, bound into the bed's own /run where the client side
# finds it: there a tray that speaks StatusNotifierItem shows the client's icon.
bind_session_bus() {
    local socket=/run/user/$BED_UID/bus
    [[ ${DBUS_SESSION_BUS_ADDRESS:-} =~ ^unix:path=([^,\;]+) ]] && socket=${BASH_REMATCH[1]}
    # Only the person's own bus: another user's would refuse the client anyway.
    [ -S "$socket" ] && [ "$(stat -c %u "$socket")" = "$BED_UID" ] || return 1
    "$here/mount_into_bed.py" "$socket" "/run/user/$BED_UID/bus" "$BED_UID" "$BED_GID" || return 1
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/$BED_UID/bus
}

# Follows the client's log: waits for the screen's line after the ones already seen.
log_cursor=0
wait_screen() {   # wait_screen SCREEN [SECONDS]
    local deadline=$((SECONDS + ${2:-60})) found
    while [ "$SECONDS" -lt "$deadline" ]; do
        found=$(tail -n "+$((log_cursor + 1))" "$log" 2>/dev/null | grep -n -m1 -E "screen type is $1( |\$)" | cut -d: -f1)
        if [ -n "$found" ]; then
            log_cursor=$((log_cursor + found))
            return 0
        fi
        client_running || { [ -n "$interrupted" ] || echo "   ozm has exited." >&2; return 1; }
        sleep 0.2
    done
    echo "   No $1 screen came within ${2:-60} s; the client's log is $log" >&2
    return 1
}

client_running() { [ -n "$CLIENT_PID" ] && kill -0 "$CLIENT_PID" 2>/dev/null; }

# The main window, once it is mapped.
window() {
    local id _
    for _ in $(seq 150); do
        client_running || return 1
        id=$(xdotool search --onlyvisible --name '^Ozmira - Welcome$' 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    echo "   The main window did not show." >&2
    return 1
}

# The window once it has painted the screen just shown: a grab that still
# matches the screen before is taken again.
previous_shot=
shot() {   # shot NAME
    local id file=$shots/$1.png _
    id=$(window) || return 1
    for _ in $(seq 20); do
        sleep 0.5
        import -window "$id" "$file"
        [ -n "$previous_shot" ] && compare -metric AE "$previous_shot" "$file" null: 2>/dev/null || break
    done
    previous_shot=$file
    echo "   screenshot: $file"
}

type_into_window() {   # type_into_window TEXT
    local id
    id=$(window) || return 1
    xdotool windowfocus --sync "$id"
    xdotool type --delay 40 "$1"
}

# The tray icon's menu, and its first entry, "Activate". The client's icon is
# the only one in the tray host's panel; the menu is one more window of the client.
click_activate() {
    local panel windows _
    panel=$(xdotool search --classname '^panel$' | head -n 1)
    [ -n "$panel" ] || { echo "   No tray." >&2; return 1; }
    windows=$(client_windows)
    xdotool mousemove --window "$panel" 12 12 click 1
    for _ in $(seq 100); do
        [ "$(client_windows)" -gt "$windows" ] && { xdotool key Down Return; return 0; }
        sleep 0.1
    done
    echo "   The tray menu did not open." >&2
    return 1
}

client_windows() { xdotool search --onlyvisible --classname '^ozm$' 2>/dev/null | wc -l; }

# No one at the screen: xdotool signs in and activates, and every screen is kept.
drive_headless() {
    rm -rf "$shots" && mkdir -p "$shots"
    wait_screen ScreenConfiguring && shot 01-configuring || return 1
    wait_screen ScreenEmailPrompt || return 1
    type_into_window "$EMAIL" || return 1
    shot 02-email
    xdotool key Return
    wait_screen ScreenDevicePrompt || return 1
    type_into_window "$PASSWORD" || return 1
    shot 03-password
    xdotool key Return
    # Configured, or at once what the bed's wired network is: secure.
    wait_screen '(ScreenConfigured|ScreenSecured)' 120 && shot 04-configured || return 1
    click_activate || return 1
    wait_screen ScreenActivating && shot 05-connecting || return 1
    wait_screen ScreenActivated 120 && shot 06-encrypted
}

# Waits for the client side's default route to go into the tunnel; false when
# the client ends first.
wait_for_tunnel() {
    until ip -n "$ns" -4 route show default | grep -q ' dev tun'; do
        client_running || return 1
        sleep 0.3
    done
}

show_tunnel() {
    step "The tunnel is up"
    echo "   The client side's default route now goes through the tunnel:"
    ip -n "$ns" -4 route show default | show
    echo "   and its /etc/resolv.conf names the DNS server the VPN server pushed:"
    grep nameserver "/etc/netns/$ns/resolv.conf" | show
    echo "   A ping across the tunnel to the server's end of it ($TUNNEL_GATEWAY):"
    bed exec ping -c 3 -i 0.5 "$TUNNEL_GATEWAY" 2>&1 | grep -E 'bytes from|packets transmitted' | show
}

# Quits the running client the way a second start does: it deactivates first.
interrupted=
quit_on_signal() {
    interrupted=1
    quit_client
}

quit_client() {
    trap - INT TERM
    if client_running; then
        echo
        echo "   Quitting ozm: it deactivates the VPN and exits."
        as_user "$client" quit >/dev/null 2>&1 || true
    fi
    [ -n "$CLIENT_PID" ] && { wait "$CLIENT_PID" 2>/dev/null || true; }
    CLIENT_PID=
}

step "Setting up the test bed: an OpenVPN server and a client network, each in a namespace of its own"
bed setup "$build/stage/Ozmira/Contents/Resources" >"$TESTBED/setup.log" 2>&1 \
    || { cat "$TESTBED/setup.log"; exit 1; }
read -r server_ns ns _ < <(bed names)
echo "   namespaces: $server_ns (servers), $ns (client side)"
routes_before=$(ip -n "$ns" -4 route)
resolv_before=$(cat "/etc/netns/$ns/resolv.conf")

step "Starting the service stand-in in the servers' namespace"
start_service
echo "   The service answers at https://$SERVICE_HOST:$SERVICE_PORT ($SERVICE_HOST is $SERVER on the client side),"
echo "   over HTTPS with a CA made for this run. It offers the cluster \"Demo\" and a demo account:"
echo "     e-mail:   $EMAIL"
echo "     password: $PASSWORD"
echo "   Nothing outside the namespaces changes: the machine's routes, DNS, interfaces and"
echo "   your own settings stay as they are."

step "Installing the client in the bed as an installation would: root-owned, ozm_launch set-uid"
bed install-client "$build/stage/Ozmira" >/dev/null
ls -l "$TESTBED/Ozmira/Contents/Resources/ozm_launch" | show

step "Starting ozm on the client side as $user_name, with a throwaway home"
bed user-home "$home"
data=$home/.local/share/Ozmira
echo "https://$SERVICE_HOST:$SERVICE_PORT" >"$data/licenseserver"
# A first start opens the Quick Start Guide, a page of the operator's web site,
# which the bed does not have, over the main window: the client starts as one
# that has run before.
printf '[General]\nIsFirstRun=false\n' >"$data/Ozmira.ini"
chown "$BED_UID:$BED_GID" "$data/licenseserver" "$data/Ozmira.ini"
copy_display_cookie
if [ -n "$headless" ]; then
    # A tray host, so that the icon has a place.
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    TRAY_PID=$!
    echo "   No desktop here: the session runs on an X server of its own ($DISPLAY) and is typed by xdotool."
elif bind_session_bus; then
    echo "   The window opens on $DISPLAY; your session bus is there for the tray icon."
else
    echo "   The window opens on $DISPLAY (no session bus of yours for a tray icon)."
fi
echo "   home: $home"
# The client, the service and the web host run in sessions of their own: a Ctrl-C
# at the terminal reaches this script alone, which quits the client as a second
# start would.
setsid "$here/testbed.sh" user-exec "$home" "$client" >"$TESTBED/client.out" 2>&1 &
CLIENT_PID=$!
trap quit_on_signal INT TERM

if [ -n "$headless" ]; then
    drive_headless || [ -n "$interrupted" ] || { quit_client; exit 1; }
else
    echo "   Sign in with $EMAIL and $PASSWORD. The bed's wired network counts as secure, so"
    echo "   activate from the tray icon's menu. The tunnel shows here once it is up."
    echo "   Quit from the tray icon or the menu, or press Ctrl-C here."
fi
wait_for_tunnel && show_tunnel
# Without a display the demo quits once the tunnel has been shown; on a desktop
# the person quits.
if [ -z "$headless" ] && client_running; then
    wait "$CLIENT_PID" 2>/dev/null || true
fi
quit_client

step "ozm has quit"
for _ in $(seq 100); do [ -z "$(bed pids openvpn)$(bed pids ozm_launch)" ] && break; sleep 0.1; done
[ -z "$(bed pids openvpn)" ] && echo "   openvpn has stopped." || echo "   openvpn is still running."
routes_now=$(ip -n "$ns" -4 route) resolv_now=$(cat "/etc/netns/$ns/resolv.conf")
if [ "$routes_now" = "$routes_before" ] && [ "$resolv_now" = "$resolv_before" ]; then
    echo "   routes, resolv.conf: as before"
else
    echo "   routes now:"; show <<<"$routes_now"
    echo "   resolv.conf now:"; show <<<"$resolv_now"
fi

step "Taking the test bed down"
finish
echo "   Namespaces, servers and files are gone."
