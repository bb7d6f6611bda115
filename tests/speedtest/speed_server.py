#!/usr/bin/env python3
"""A speed-test server for the network-quality tool's tests (on loopback unless --host).

GET /config  the responsiveness configuration naming the three addresses below
GET /large   LARGE bytes (the load's download object)
GET /small   a few bytes, answered after DELAY milliseconds (the latency object)
POST /upload reads and discards the body, then answers 200

--fail 500   every data address (not /config) answers 500
--fail close /large sends its headers and the first 256 KiB of its body, then closes the connection
--old-keys   the configuration uses the older key names
--endless-headers  /config answers with a status line and then header lines without end, as
             fast as they are taken
The port it listens on is written to --port-file once it listens.
"""

import argparse
import json
import os
import socket
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CHUNK = b"\x5a" * (256 * 1024)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--delay-ms", type=float, default=0)
    parser.add_argument("--large", type=int, default=25_000_000)
    parser.add_argument("--fail", choices=["500", "close"])
    parser.add_argument("--old-keys", action="store_true")
    parser.add_argument("--endless-headers", action="store_true")
    args = parser.parse_args()

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        disable_nagle_algorithm = True

        def log_message(self, *_):
            pass

        def answer(self, status, body=b"", length=None):
            self.send_response(status)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body) if length is None else length))
            self.end_headers()
            if body:
                self.wfile.write(body)

        def failing(self):
            if args.fail == "500":
                self.answer(500, b"no")
                return True
            return False

        def endless_headers(self):
            lines = b"".join(b"X-Pad-%d: %s\r\n" % (i, b"a" * 200) for i in range(256))
            try:
                self.wfile.write(b"HTTP/1.1 200 OK\r\n")
                while True:
                    self.wfile.write(lines)
            except OSError:
                self.close_connection = True

        def do_GET(self):
            if self.path == "/config" and args.endless_headers:
                self.endless_headers()
            elif self.path == "/config":
                base = "http://%s:%d" % self.server.server_address[:2]
                names = (["large_https_download_url", "small_https_download_url",
                          "https_upload_url"] if args.old_keys else
                         ["large_download_url", "small_download_url", "upload_url"])
                urls = dict(zip(names, [base + "/large", base + "/small", base + "/upload"]))
                self.answer(200, json.dumps({"version": 1, "urls": urls}).encode())
            elif self.failing():
                pass
            elif self.path == "/small":
                time.sleep(args.delay_ms / 1000)
                self.answer(200, b"small")
            elif self.path == "/large":
                self.answer(200, length=args.large)
                # Cut early enough that no run can finish measuring before it sees the cut.
                left = args.large if args.fail != "close" else 256 * 1024
                try:
                    while left > 0:
                        piece = CHUNK[:min(left, len(CHUNK))]
                        self.wfile.write(piece)
                        left -= len(piece)
                except OSError:
                    return
                if args.fail == "close":
                    self.connection.shutdown(socket.SHUT_RDWR)
                    self.close_connection = True
            else:
                self.answer(404, b"none")

        def do_POST(self):
            left = int(self.headers.get("Content-Length", "0"))
            if self.failing():
                self.close_connection = True
                return
            try:
                while left > 0:
                    piece = self.rfile.read(min(left, 256 * 1024))
                    if not piece:
                        return
                    left -= len(piece)
            except OSError:
                return
            self.answer(200, b"ok")

    class Server(ThreadingHTTPServer):
        daemon_threads = True
        request_queue_size = 64

        def handle_error(self, request, client_address):
            pass  # a client that hangs up mid-transfer is part of the tests

    server = Server((args.host, 0), Handler)
    with open(args.port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(args.port_file + ".part", args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
