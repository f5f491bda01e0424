#!/bin/sh
# openvpn's down script: puts back the resolver configuration vpn-up-mac replaced.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
RESOLV_CONF=/etc/resolv.conf
SAVED=/run/ozm-resolv.conf.saved

[ -f "$SAVED" ] || exit 0
cat "$SAVED" >"$RESOLV_CONF" && rm -f "$SAVED"
