#!/usr/bin/env bash
# A VPN test bed inside two network namespaces made here and nowhere else:
#   server namespace: Debian openvpn servers on TCP 1195 (encrypted) and 1196 (cipher none)
#                     at 10.77.0.1; further addresses 10.77.0.11-13 answer nothing (dead servers)
#                     with the hosts file, the client side also names 10.77.0.1 vpn2.bed.test
#                     WEB_HOST_LOOKUP=public-dns: 8.8.8.8 there too, a name server (dnsmasq)
#                     that names the web host and the service
#                     the service stand-in runs here on 10.77.0.1 too when a test starts it
#                     (server-exec stand_in_service.py --address 10.77.0.1)
#   client namespace: where ozm_launch runs, from a private copy of the application folder,
#                     with its own resolv.conf and hosts (ip netns exec bind-mounts them over
#                     /etc), its own process list and its own /run, as on a machine of its own:
#                     its scripts keep the replaced resolver configuration in /run
#   CLIENT_PIDS=shared: the client side shares the machine's process list instead, where
#                     the servers run, and one more foreign openvpn of the same program runs
#                     on the client side under the name openvpn-foreign, managed on port 10012,
#                     as on a desktop with openvpn connections of its own
#
#   testbed.sh setup APP_SOURCE_DIR   make namespaces, PKI, the application copy, start servers
#   testbed.sh exec CMD...            run CMD on the client side
#   testbed.sh server-exec CMD...     run CMD in the server namespace
#   testbed.sh install-client BUNDLE  install the client's bundle (BUNDLE/Contents/bin and Contents/Resources)
#                                     as an installation would: root-owned, ozm_launch set-uid root, its
#                                     Resources the bed's application copy (app/ then names it)
#   testbed.sh user-home HOME         make HOME a throwaway home of the bed's user, with its data folder
#                                     (.local/share/Ozmira), .config and a runtime folder (run)
#   testbed.sh user-exec HOME CMD...  run CMD on the client side as the bed's user with that home (made
#                                     when missing) and an environment of its own: HOME, XDG_CONFIG_HOME,
#                                     XDG_RUNTIME_DIR, PATH, and from the caller's DISPLAY, XAUTHORITY,
#                                     DBUS_SESSION_BUS_ADDRESS, LANG, the sanitizers' options and Qt's
#                                     platform settings
#   testbed.sh pids NAME              host pids of the client side's processes called NAME
#   testbed.sh wifi-adapter NAME      a Wi-Fi adapter on the client side, switched off: a link NAME whose
#                                     sysfs folder says it is wireless, with its radio's rfkill switch
#                                     soft-blocked (also under /sys/class/rfkill); the kernel has no such
#                                     files for a link without a radio, so the client side's mount
#                                     namespace gets writable overlays on the link's folder and /sys/class
#   testbed.sh system-bus             run a message bus in the foreground as the client side's
#                                     system bus (/run/dbus/system_bus_socket in its own /run),
#                                     the one a set-uid program finds without any environment;
#                                     prints its address once it listens
#   testbed.sh teardown               stop everything, remove namespaces and files
#
# State lives in $TESTBED (a folder); the namespace names derive from it, so parallel
# test beds never meet. Needs root, /dev/net/tun, iproute2, util-linux, openssl and openvpn.
set -u
SELF=$(readlink -f "$0")
TESTBED=${TESTBED:?set TESTBED to a fresh folder}
ID=$(printf '%s' "$TESTBED" | md5sum | cut -c1-8)
NS_S=ozs$ID NS_C=ozc$ID
SRV_IP=10.77.0.1 CLI_IP=10.77.0.2
DEAD_IPS=(10.77.0.11 10.77.0.12 10.77.0.13)
VPN_USER=${VPN_USER:-alice} VPN_PASS=${VPN_PASS:-s3cret}
# The backend calls the Internet present when it reaches the operator's web host directly.
WEB_HOST=${WEB_HOST:-www.ozmira.com}
# hosts: the client side's hosts file names the web host; dns: it does not, so every
# lookup of it goes to the client side's name server, which never answers;
# public-dns: it does not, and the name server is 8.8.8.8 in the server namespace,
# which does, so no name is found while the client side's network is down.
WEB_HOST_LOOKUP=${WEB_HOST_LOOKUP:-hosts}
PUBLIC_DNS=8.8.8.8
CLIENT_PIDS=${CLIENT_PIDS:-private}
# The service's own host name; the client side's hosts file maps it to the servers' address.
SERVICE_HOST=api.ozmira.net
# The encrypted server once more under a name of its own: a second host a client can move to.
SERVER_ALIAS=vpn2.bed.test
# The unprivileged user the client runs as on the client side: nobody unless told.
BED_UID=${BED_UID:-65534}
BED_GID=${BED_GID:-$(id -g "$BED_UID" 2>/dev/null || echo "$BED_UID")}

die() { echo "testbed: $*" >&2; exit 1; }

make_pki() {
    local ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
    openssl req -x509 "${ec[@]}" -keyout ca.key -out ca.crt -days 2 -subj /CN=testbed-ca \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null || return 1
    openssl req "${ec[@]}" -keyout server.key -out server.csr -subj /CN=testbed-server 2>/dev/null || return 1
    # The client checks the legacy server usage mark as well as the key usage.
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyAgreement\nextendedKeyUsage=serverAuth\nnsCertType=server\n' >server.ext
    openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 \
        -extfile server.ext -out server.crt 2>/dev/null
}

server_conf() {   # server_conf PORT SUBNET [extra lines]
    cat <<CONF
dev tun
proto tcp-server
local $SRV_IP
port $1
topology subnet
server $2 255.255.255.0
ca $TESTBED/ca.crt
cert $TESTBED/server.crt
key $TESTBED/server.key
dh none
verify-client-cert none
username-as-common-name
script-security 2
auth-user-pass-verify $TESTBED/checkpw.sh via-file
tmp-dir $TESTBED
push "dhcp-option DNS ${2%.0}.1"
comp-lzo
keepalive 10 60
verb 3
${3:-}
CONF
}

start_server() {   # start_server NAME PORT SUBNET [extra]
    server_conf "$2" "$3" "${4:-}" >"$1.conf"
    ip netns exec "$NS_S" openvpn --config "$1.conf" --writepid "$TESTBED/$1.pid" --log "$TESTBED/$1.log" --daemon || return 1
    local i
    for i in $(seq 100); do
        grep -qs 'Initialization Sequence Completed' "$1.log" && return 0
        sleep 0.05
    done
    return 1
}

# PID 1 of the client side: a private /run, then nothing but reaping, since an
# openvpn whose backend died ends up here and its end must not linger as a zombie.
client_init() {
    mount -t tmpfs -o mode=0755 testbed-run /run || exit 1
    : >"$TESTBED/client.ready"
    trap 'exit 0' TERM
    while :; do
        sleep 3600 &
        wait $!
    done
}

start_client_init() {
    local own_pids=(--pid --mount-proc)
    [ "$CLIENT_PIDS" = shared ] && own_pids=()
    setsid ip netns exec "$NS_C" unshare --fork "${own_pids[@]}" "$SELF" _client_init \
        </dev/null >/dev/null 2>&1 &
    local unshare_pid=$! i init
    for i in $(seq 100); do
        init=$(cat "/proc/$unshare_pid/task/$unshare_pid/children" 2>/dev/null)
        if [ -n "$init" ] && [ -e "$TESTBED/client.ready" ]; then
            echo "${init% }" >"$TESTBED/client.init"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# The same program as the backend's openvpn, under a name of its own so that the
# client side's "openvpn" processes are still only the backend's.
start_foreign_client() {
    ln -s "$(readlink -f "$(command -v openvpn)")" openvpn-foreign || return 1
    ip netns exec "$NS_C" "$TESTBED/openvpn-foreign" --dev null --proto udp --lport 11970 \
        --management 127.0.0.1 10012 --writepid "$TESTBED/foreign.pid" --log "$TESTBED/foreign.log" --daemon || return 1
    local i
    for i in $(seq 100); do
        grep -qs 'Initialization Sequence Completed\|link remote' foreign.log && return 0
        sleep 0.05
    done
    return 1
}

# dnsmasq binds its address before it goes into the background: it answers once
# it has started.
start_public_dns() {
    ip -n "$NS_S" addr add "$PUBLIC_DNS/32" dev lo || return 1
    ip netns exec "$NS_S" dnsmasq --conf-file=/dev/null --no-resolv --no-hosts --bind-interfaces --user=root \
        --listen-address="$PUBLIC_DNS" --host-record="$WEB_HOST,$SRV_IP" --host-record="$SERVICE_HOST,$SRV_IP" \
        --pid-file="$TESTBED/dnsmasq.pid" \
        --log-facility="$TESTBED/dnsmasq.log"
}

client_pids() {   # client_pids NAME
    local pid
    for pid in $(ip netns pids "$NS_C" 2>/dev/null); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$1" ] && echo "$pid"
    done
    return 0
}

setup() {
    local app_source
    app_source=$(readlink -f "${1:?application folder to copy}") || die "no application folder $1"
    mkdir -p "$TESTBED" && cd "$TESTBED" || exit 1
    ip netns add "$NS_S" && ip netns add "$NS_C" || die "cannot create namespaces"
    ip link add "s$ID" netns "$NS_S" type veth peer name "c$ID" netns "$NS_C" || die "no veth"
    ip -n "$NS_S" addr add $SRV_IP/24 dev "s$ID"
    local ip
    # Dead servers: their ports refuse at once rather than leaving the client to time out.
    for ip in "${DEAD_IPS[@]}"; do ip -n "$NS_S" addr add "$ip/24" dev "s$ID"; done
    ip -n "$NS_C" addr add $CLI_IP/24 dev "c$ID"
    ip -n "$NS_S" link set lo up; ip -n "$NS_C" link set lo up
    ip -n "$NS_S" link set "s$ID" up; ip -n "$NS_C" link set "c$ID" up
    ip -n "$NS_C" route add default via $SRV_IP

    mkdir -p "/etc/netns/$NS_C"
    if [ "$WEB_HOST_LOOKUP" = public-dns ]; then
        start_public_dns || die "no name server on $PUBLIC_DNS"
        echo "nameserver $PUBLIC_DNS" >"/etc/netns/$NS_C/resolv.conf"
    else
        # The server side does not forward, so a query to this address is dropped without
        # a word: a lookup that reaches it waits out every time-out of the resolver.
        echo "nameserver 192.0.2.53" >"/etc/netns/$NS_C/resolv.conf"
    fi
    if [ "$WEB_HOST_LOOKUP" = hosts ]; then
        printf '127.0.0.1 localhost\n%s %s %s %s\n' "$SRV_IP" "$WEB_HOST" "$SERVICE_HOST" "$SERVER_ALIAS" \
            >"/etc/netns/$NS_C/hosts"
    else
        printf '127.0.0.1 localhost\n' >"/etc/netns/$NS_C/hosts"
    fi
    start_client_init || die "no client process namespace"

    make_pki || die "PKI failed"
    cat >checkpw.sh <<PW
#!/bin/sh
{ read -r u; read -r p; } <"\$1"
[ "\$u" = "$VPN_USER" ] && [ "\$p" = "$VPN_PASS" ]
PW
    chmod 755 checkpw.sh

    # The backend takes its own folder as the application folder, so each test bed
    # runs a private copy holding this bed's CA.
    mkdir -p app data && chmod 700 data
    cp -a "$app_source"/. app/
    cp ca.crt app/cachain.pem
    chmod 644 app/cachain.pem

    start_server encrypted 1195 10.8.0.0 || die "encrypted server did not start"
    start_server plain 1196 10.9.0.0 || die "plain server did not start"
    if [ "$CLIENT_PIDS" = shared ]; then
        start_foreign_client || die "foreign openvpn did not start"
    fi
    echo "$NS_C" >client.ns
}

# Anyone may own a name and call anyone: the services on it are the test's stand-ins.
system_bus() {
    cat >"$TESTBED/system-bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
    exec nsenter --target "$(cat "$TESTBED/client.init")" --net --mount --pid -- /bin/sh -c \
        'mkdir -p /run/dbus && exec dbus-daemon --nofork --print-address=1 --config-file="$1"' \
        system-bus "$TESTBED/system-bus.conf"
}

# The bundle's copy in the bed, with the application copy (the bed's CA, what a test
# added) as its Resources. Every folder above it must be open to the bed's user.
install_client() {
    local bundle
    bundle=$(readlink -f "${1:?client bundle}") || die "no bundle $1"
    [ -x "$bundle/Contents/bin/ozm" ] || die "no client in $bundle"
    cd "$TESTBED" || exit 1
    [ -L app ] && die "client installed already"
    mkdir -p Ozmira/Contents || exit 1
    cp -a "$bundle/Contents/bin" Ozmira/Contents/ || exit 1
    mv app Ozmira/Contents/Resources && ln -s Ozmira/Contents/Resources app || exit 1
    chown -R root:root Ozmira && chmod -R go-w Ozmira || exit 1
    # chown drops the set-id bits, so the mode comes last.
    chmod 4755 Ozmira/Contents/Resources/ozm_launch || exit 1
    local folder=$TESTBED/Ozmira
    while [ "$folder" != / ]; do
        chmod o+x "$folder" || exit 1
        folder=$(dirname "$folder")
    done
}

user_home() {   # user_home HOME
    local home=${1:?home folder}
    mkdir -p "$home/.local/share/Ozmira" "$home/.config" "$home/run" || exit 1
    chown -R "$BED_UID:$BED_GID" "$home" && chmod 700 "$home" "$home/run" "$home/.local/share/Ozmira" || exit 1
    local folder
    folder=$(dirname "$(readlink -f "$home")")
    while [ "$folder" != / ]; do
        chmod o+x "$folder" || exit 1
        folder=$(dirname "$folder")
    done
}

user_exec() {   # user_exec HOME CMD...
    local home
    home=$(readlink -f "${1:?home folder}") || exit 1
    shift
    [ -d "$home/run" ] || user_home "$home"
    local keep=(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
                PATH=/usr/local/bin:/usr/bin:/bin) name
    for name in DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS LANG ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS \
                QT_QPA_PLATFORM QT_XCB_GL_INTEGRATION QT_LOGGING_RULES; do
        [ -n "${!name+set}" ] && keep+=("$name=${!name}")
    done
    exec nsenter --target "$(cat "$TESTBED/client.init")" --net --mount --pid --wd="$home" -- \
        setpriv --reuid="$BED_UID" --regid="$BED_GID" --clear-groups -- env -i "${keep[@]}" "$@"
}

wifi_adapter() {   # wifi_adapter NAME
    local name=${1:?link name}
    # A bridge without ports stands for the adapter's link: not every kernel has dummy links.
    ip -n "$NS_C" link add "$name" type bridge || exit 1
    exec nsenter --target "$(cat "$TESTBED/client.init")" --net --mount -- "$SELF" _wifi_sysfs "$name"
}

# In the client side's mount namespace, where /sys is its network namespace's own:
# the overlays' layers live on a tmpfs mounted there too, so nothing of it reaches
# the machine's /sys.
wifi_sysfs() {   # wifi_sysfs NAME
    local layers=$TESTBED/wifi-sysfs device
    device=$(readlink -f "/sys/class/net/$1") && [ -d "$device" ] || exit 1
    mkdir -p "$layers" && mount -t tmpfs -o mode=0700 testbed-wifi "$layers" || exit 1
    writable() {   # writable DIR LAYER
        mkdir -p "$layers/$2/upper" "$layers/$2/work" &&
            mount -t overlay "testbed-$2" -o "lowerdir=$1,upperdir=$layers/$2/upper,workdir=$layers/$2/work" "$1"
    }
    writable "$device" device && writable /sys/class class || exit 1
    local rfkill=$device/phy80211/rfkill0
    mkdir -p "$device/wireless" "$rfkill" /sys/class/rfkill || exit 1
    echo wlan >"$rfkill/type" && echo 1 >"$rfkill/soft" && echo 0 >"$rfkill/hard" || exit 1
    ln -s "$rfkill" /sys/class/rfkill/rfkill0
}

teardown() {
    cd "$TESTBED" 2>/dev/null || return 0
    local pid f
    # Everything still running in the client namespace goes first (backend, openvpn).
    for pid in $(ip netns pids "$NS_C" 2>/dev/null) $(ip netns pids "$NS_S" 2>/dev/null); do
        kill "$pid" 2>/dev/null
    done
    sleep 0.2
    for pid in $(ip netns pids "$NS_C" 2>/dev/null) $(ip netns pids "$NS_S" 2>/dev/null); do
        kill -9 "$pid" 2>/dev/null
    done
    ip netns del "$NS_C" 2>/dev/null
    ip netns del "$NS_S" 2>/dev/null
    rm -rf "/etc/netns/$NS_C"
}

case ${1:-} in
    setup) shift; setup "$@" ;;
    exec) shift; exec nsenter --target "$(cat "$TESTBED/client.init")" --net --mount --pid --wd="$PWD" -- "$@" ;;
    server-exec) shift; exec ip netns exec "$NS_S" "$@" ;;
    install-client) shift; install_client "$@" ;;
    user-home) shift; user_home "$@" ;;
    user-exec) shift; user_exec "$@" ;;
    pids) client_pids "${2:?process name}" ;;
    system-bus) system_bus ;;
    wifi-adapter) shift; wifi_adapter "$@" ;;
    _wifi_sysfs) shift; wifi_sysfs "$@" ;;
    _client_init) client_init ;;
    teardown) teardown ;;
    names) echo "$NS_S $NS_C c$ID" ;;
    *) echo "usage: $0 setup APPDIR | install-client BUNDLE | user-home HOME | user-exec HOME CMD... | exec CMD... |" \
            "server-exec CMD... | pids NAME | system-bus | wifi-adapter NAME | teardown | names" >&2; exit 2 ;;
esac
