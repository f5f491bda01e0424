#!/usr/bin/env python3
"""The operator's public web host for tests: HTTPS on one address and port under
the host's name, with a certificate of the stand-in service's test CA (made in
--cert-dir when missing; the client trusts it once "certs/<any>.pem" in its
application folder holds ca.pem). The confirmation page "/ozmir/confirm" answers
with the body given, or, with --stall, never answers and holds the connection
until the client closes it; other paths get 404.

Prints "ready" once it listens and then "METHOD target" for every request as it
comes; ends at the end of its standard input, so it never outlives its test.

  web_host.py --cert-dir DIR --listen 127.0.0.1 --name www.example.test --page confirmed
"""

import argparse
import os
import sys
import threading

import stand_in_service as service


class Handler(service.Handler):
    def do_request(self):
        print("%s %s" % (self.command, self.path), flush=True)
        super().do_request()

    do_GET = do_POST = do_request


class Server(service.Server):
    def __init__(self, address, context):
        super().__init__("https", context, *address)
        self.RequestHandlerClass = Handler


def host_certificate(cert_dir, name):
    file_name = "host_" + name
    if not os.path.exists(os.path.join(cert_dir, file_name + ".pem")):
        service.make_certificates(cert_dir)
        service.new_key_and_request(cert_dir, file_name, "/CN=" + name)
        service.sign_with_ca(cert_dir, file_name, "DNS:" + name)
    return service.server_context(cert_dir, file_name)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cert-dir", required=True, help="folder of the test CA (ca.pem)")
    parser.add_argument("--listen", required=True, help="address to listen on")
    parser.add_argument("--port", type=int, default=443)
    parser.add_argument("--name", required=True, help="the host name its certificate is for")
    page = parser.add_mutually_exclusive_group(required=True)
    page.add_argument("--page", help="the confirmation page's body, status 200")
    page.add_argument("--stall", action="store_true", help="never answer")
    args = parser.parse_args()

    reply = {"stall": True} if args.stall else {"body": args.page}
    service.State.add_reply({"path": "/ozmir/confirm"}, reply)
    server = Server((args.listen, args.port), host_certificate(args.cert_dir, args.name))
    # Polled often, so that it ends soon after its input does.
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True).start()
    print("ready", flush=True)
    sys.stdin.read()
    service.State.stopping.set()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
