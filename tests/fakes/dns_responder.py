#!/usr/bin/env python3
"""A name server for tests: answers A and AAAA questions over UDP from a fixed
table, NXDOMAIN for a name it does not know, and nothing at all with --silent.

Prints "ready" on standard output once it listens; ends at the end of its
standard input, so it never outlives the test that started it.

  dns_responder.py --listen 127.0.0.1 --record name=192.0.2.7 --record v6only=2001:db8::7
"""

import argparse
import ipaddress
import socket
import struct
import sys
import threading

TYPE_A, TYPE_AAAA, CLASS_IN = 1, 28, 1
NXDOMAIN = 3


def read_question(packet):
    """(name, type, end of the question) of the first question."""
    labels, at = [], 12
    while packet[at]:
        length = packet[at]
        labels.append(packet[at + 1:at + 1 + length].decode("ascii", "replace"))
        at += 1 + length
    qtype, _ = struct.unpack("!HH", packet[at + 1:at + 5])
    return ".".join(labels).lower(), qtype, at + 5


def answer(packet, records):
    ident, flags, qdcount = struct.unpack("!HHH", packet[:6])
    if flags & 0x8000 or qdcount != 1:
        return None
    name, qtype, end = read_question(packet)
    found = [a for n, a in records if n == name]
    matching = [a for a in found if (a.version == 4) == (qtype == TYPE_A) and qtype in (TYPE_A, TYPE_AAAA)]
    # Answer, authoritative, recursion desired as asked and available.
    reply_flags = 0x8400 | (flags & 0x0100) | 0x0080 | (0 if found else NXDOMAIN)
    head = struct.pack("!HHHHHH", ident, reply_flags, 1, len(matching), 0, 0)
    body = b"".join(struct.pack("!HHHIH", 0xC00C, qtype, CLASS_IN, 60, len(a.packed)) + a.packed for a in matching)
    return head + packet[12:end] + body


def serve(sock, records, silent):
    while True:
        try:
            packet, sender = sock.recvfrom(4096)
        except OSError:
            return
        try:
            reply = None if silent else answer(packet, records)
        except (IndexError, struct.error):
            reply = None  # not a question: no answer
        if reply:
            sock.sendto(reply, sender)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--listen", required=True, help="address to listen on, port 53")
    parser.add_argument("--port", type=int, default=53)
    parser.add_argument("--record", action="append", default=[], metavar="NAME=ADDRESS",
                        help="an A or AAAA record, by the address's kind")
    parser.add_argument("--silent", action="store_true", help="take every question, answer none")
    args = parser.parse_args()

    records = []
    for record in args.record:
        name, address = record.split("=", 1)
        records.append((name.lower().rstrip("."), ipaddress.ip_address(address)))
    family = socket.AF_INET6 if ipaddress.ip_address(args.listen).version == 6 else socket.AF_INET
    sock = socket.socket(family, socket.SOCK_DGRAM)
    sock.bind((args.listen, args.port))
    threading.Thread(target=serve, args=(sock, records, args.silent), daemon=True).start()
    print("ready", flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
