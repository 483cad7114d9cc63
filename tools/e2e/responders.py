#!/usr/bin/env python3
"""Loopback servers for the end-to-end runs: SNTP (udp/123), Time (tcp/37), HTTP (tcp/80).

Each service is "off" (not started), "silent" (takes requests, never answers) or answers with the
true time shifted by --shift seconds (or with a clock that starts at --start); SNTP can also answer
"old", a time in 1999, "kiss", an unsynchronised kiss-o'-death, or "flood": no answer, but
datagrams from another port without pause; Time can answer "five", a stray byte before the true
four. --dns silent takes name queries on udp/53 and never answers them. --path OUT/BACK puts SNTP
behind a slow path: each request is held OUT ms before its receive time is stamped, each reply
BACK ms after its transmit time is. Every request is counted in --log (one line per request).
The servers bind 127.0.0.1 only and stop by themselves after --lifetime seconds.
"""
import argparse
import datetime
import socket
import struct
import threading
import time

NTP_EPOCH_OFFSET = 2208988800  # seconds from 1900-01-01 to 1970-01-01
NTP_PACKET_SIZE = 48
NTP_MODE_SERVER = 4
NTP_VERSION = 4
HTTP_BODY = b"Microsoft Connect Test"
LOOPBACK = "127.0.0.1"
# 1999-12-31 00:00 UTC: too early for the program to believe.
OLD_UNIX_TIME = 946598400
FLOOD_SECONDS = 8  # longer than the program's 5 s SNTP wait


def ntp_timestamp(unix_seconds):
    seconds = int(unix_seconds) + NTP_EPOCH_OFFSET
    fraction = int((unix_seconds % 1) * (1 << 32)) & 0xFFFFFFFF
    return struct.pack(">II", seconds & 0xFFFFFFFF, fraction)


def sntp_reply(request, shift, leap=0, stratum=1, refid=b"LOCL", received=None):
    now = time.time() + shift
    received = now if received is None else received
    first = (leap << 6) | (NTP_VERSION << 3) | NTP_MODE_SERVER
    header = struct.pack(">BBbbII4s", first, stratum, 4, -20, 0, 0, refid)
    originate = request[40:48] if len(request) >= NTP_PACKET_SIZE else b"\0" * 8
    return (header + ntp_timestamp(received) + originate + ntp_timestamp(received)
            + ntp_timestamp(now))


class Log:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def write(self, service, detail=""):
        if not self.path:
            return
        with self.lock, open(self.path, "a", encoding="utf-8") as f:
            f.write(f"{time.time():.3f}\t{service}\t{detail}\n")


def bind_udp(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((LOOPBACK, port))
    return sock


def bind_tcp(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind((LOOPBACK, port))
    sock.listen(16)
    return sock


def serve_sntp(sock, mode, shift, log, path=(0, 0)):
    out_ms, back_ms = path
    while True:
        data, peer = sock.recvfrom(512)
        log.write("sntp", f"{len(data)} bytes, first byte {data[0]:#04x}" if data else "empty")
        if mode == "answer":
            time.sleep(out_ms / 1000)
            received = time.time() + shift
            reply = sntp_reply(data, shift, received=received)
            time.sleep(back_ms / 1000)
            sock.sendto(reply, peer)
        elif mode == "old":
            sock.sendto(sntp_reply(data, OLD_UNIX_TIME - time.time()), peer)
        elif mode == "kiss":
            sock.sendto(sntp_reply(data, shift, leap=3, stratum=0, refid=b"RATE"), peer)
        elif mode == "flood":
            threading.Thread(target=flood, args=(peer, sntp_reply(data, shift), log),
                             daemon=True).start()


def flood(peer, datagram, log):
    """Datagrams to the client from a port of our own, as fast as they go."""
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind((LOOPBACK, 0))
    end = time.monotonic() + FLOOD_SECONDS
    count = 0
    while time.monotonic() < end:
        try:
            sender.sendto(datagram, peer)
            count += 1
        except OSError:
            time.sleep(0.001)
    log.write("flood", f"{count} datagrams")


def serve_dns_silently(sock, log):
    while True:
        data, _ = sock.recvfrom(512)
        log.write("dns", f"{len(data)} bytes")


def serve_tcp(sock, handle):
    while True:
        conn, _ = sock.accept()
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


def time_handler(mode, shift, log):
    def handle(conn):
        log.write("time")
        with conn:
            if mode == "silent":
                conn.settimeout(10)
                try:
                    conn.recv(1)
                except OSError:
                    pass
                return
            seconds = int(time.time() + shift) + NTP_EPOCH_OFFSET
            stray = b"\x01" if mode == "five" else b""
            conn.sendall(stray + struct.pack(">I", seconds & 0xFFFFFFFF))
    return handle


def http_handler(mode, log):
    def handle(conn):
        with conn:
            conn.settimeout(5)
            request = b""
            try:
                while b"\r\n\r\n" not in request and len(request) < 16384:
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    request += chunk
            except OSError:
                return
            line = request.split(b"\r\n", 1)[0].decode("latin-1")
            log.write("http", line)
            if mode == "silent":
                return
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                         + str(len(HTTP_BODY)).encode() + b"\r\nConnection: close\r\n\r\n" + HTTP_BODY)
    return handle


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    modes = ["off", "silent", "answer"]
    parser.add_argument("--sntp", choices=modes + ["old", "kiss", "flood"], default="answer")
    parser.add_argument("--time", choices=modes + ["five"], default="answer")
    parser.add_argument("--http", choices=modes, default="answer")
    parser.add_argument("--shift", type=float, default=0.0, help="seconds added to the true time")
    parser.add_argument("--dns", choices=["off", "silent"], default="off")
    parser.add_argument("--start", default="",
                        help="UTC time the servers' clock starts at, YYYY-MM-DDThh:mm:ss")
    parser.add_argument("--path", default="0/0",
                        help="SNTP path delay OUT/BACK in ms (held before the receive stamp, "
                             "and after the transmit stamp)")
    parser.add_argument("--log", default="")
    parser.add_argument("--ready", default="", help="file created once every server listens")
    parser.add_argument("--lifetime", type=float, default=120.0)
    args = parser.parse_args()
    log = Log(args.log)
    if args.start:
        start = datetime.datetime.fromisoformat(args.start).replace(tzinfo=datetime.timezone.utc)
        args.shift = start.timestamp() - time.time()

    # Bound here, so that a port that cannot be had stops the run at once.
    servers = []
    if args.sntp != "off":
        path = tuple(float(ms) for ms in args.path.split("/"))
        servers.append((serve_sntp, (bind_udp(123), args.sntp, args.shift, log, path)))
    if args.time != "off":
        servers.append((serve_tcp, (bind_tcp(37), time_handler(args.time, args.shift, log))))
    if args.http != "off":
        servers.append((serve_tcp, (bind_tcp(80), http_handler(args.http, log))))
    if args.dns != "off":
        servers.append((serve_dns_silently, (bind_udp(53), log)))
    for serve, serve_args in servers:
        threading.Thread(target=serve, args=serve_args, daemon=True).start()
    if args.ready:
        open(args.ready, "w").close()
    time.sleep(args.lifetime)


if __name__ == "__main__":
    main()
