#!/usr/bin/env python3
"""Another local user's flood of connections to a port.

connection_flood.py HOLD PORT BURST

Holds HOLD loopback connections of its own, so that the machine's socket tables are
long, then opens BURST connections from 127.0.0.2 to 127.0.0.1:PORT at once, waits
until each is connected or refused, closes them all and starts over, until it is
stopped. Prints "flooding" once the first burst has gone out.
"""
import selectors
import socket
import sys


def hold_connections(count):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(count)
    held = [listener]
    for _ in range(count):
        held.append(socket.create_connection(listener.getsockname()))
        held.append(listener.accept()[0])
    return held


def burst(port, size):
    selector = selectors.DefaultSelector()
    sockets = []
    for _ in range(size):
        connection = socket.socket()
        # From an address of its own: a port the flood has just given up and the
        # owner's client then picks would otherwise make the two connections one.
        connection.bind(("127.0.0.2", 0))
        connection.setblocking(False)
        if connection.connect_ex(("127.0.0.1", port)) in (0, 115):  # 115: in progress
            selector.register(connection, selectors.EVENT_WRITE)
        sockets.append(connection)
    while selector.get_map():
        ready = selector.select(timeout=3)
        if not ready:
            break
        for key, _ in ready:
            selector.unregister(key.fileobj)
    selector.close()
    for connection in sockets:
        connection.close()


def main():
    hold, port, size = (int(value) for value in sys.argv[1:4])
    held = hold_connections(hold)
    burst(port, size)
    print("flooding", flush=True)
    while True:
        burst(port, size)


if __name__ == "__main__":
    main()
