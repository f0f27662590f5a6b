#!/usr/bin/env python3
"""A misbehaving radio station on 127.0.0.1, for the tests and benchmarks.

Usage: radio_server.py MP3 (a 128 kbit/s CBR file). Prints its port on the
first line of standard output, then serves until killed:

  /live?enc=utf8|cp1251|entities
                          the MP3 looped as a live stream (one second at
                          once, then real time) with ICY metadata when asked;
                          the title alternates every 1.5 s between two
                          Russian titles in that encoding (or as HTML
                          entities)
  /drop                   like /live, but 2 s after it began the server
                          closes every connection and refuses new ones for
                          3 s, then serves again on the same port
  /file-cut               the MP3 as a file with byte ranges; the first
                          connection is closed a third of the way in
  /big-title              a title of 4080 bytes full of control characters
  /metaint?n=0|10485760   a metadata interval of 0 or 10 MB
  /html                   an HTML page
  /loop                   a redirect to itself, for ever
  /endless-header         header lines, for ever
  /never                  reads the request and never answers
  /trickle                an HTML page at two bytes a second
"""
import os
import socket
import sys
import threading
import time
import urllib.parse

BYTES_PER_SECOND = 16000
TITLES = ["Кино — Группа крови", "ДДТ — Осень"]

mp3 = open(sys.argv[1], "rb").read()
lock = threading.Lock()
down_until = 0.0
clients = set()
file_cut = False


def meta_block(text):
    data = text.encode("latin-1") if isinstance(text, str) else text
    data = b"StreamTitle='" + data + b"';"
    data += b"\0" * (-len(data) % 16)
    return bytes([len(data) // 16]) + data


def title_bytes(enc, index):
    title = TITLES[index % 2]
    if enc == "entities":
        # As some servers send what is not ASCII: numeric (decimal and hex)
        # and named HTML entities.
        return "".join("&mdash;" if c == "—" else c if c < "\x80" else ("&#%d;" if i % 2 else "&#x%X;") % ord(c)
                       for i, c in enumerate(title)).encode("ascii")
    return title.encode("utf-8" if enc == "utf8" else "cp1251")


def stream(conn, icy, metaint, title_for, drop_after=None):
    start = time.monotonic()
    sent = at = since_meta = 0
    head = b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Test\r\n"
    if icy and metaint:
        head += b"icy-metaint: %d\r\n" % metaint
    conn.sendall(head + b"\r\n")
    while True:
        elapsed = time.monotonic() - start
        if drop_after is not None and elapsed >= drop_after:
            go_down(3.0)
            return
        if sent >= BYTES_PER_SECOND * (1.0 + elapsed):
            time.sleep(0.02)
            continue
        n = min(1000, len(mp3) - at)
        if icy and metaint:
            n = min(n, metaint - since_meta)
        conn.sendall(mp3[at:at + n])
        sent += n
        at = (at + n) % len(mp3)
        since_meta += n
        if icy and metaint and since_meta == metaint:
            conn.sendall(meta_block(title_for(elapsed)))
            since_meta = 0


def note(event, when):
    """Appends "EVENT SECONDS" (CLOCK_MONOTONIC) to $RADIO_SERVER_LOG, if set."""
    path = os.environ.get("RADIO_SERVER_LOG")
    if path:
        with open(path, "a") as log:
            log.write("%s %.6f\n" % (event, when))


def serve_file(conn, lines):
    global file_cut
    start = 0
    for line in lines:
        if line.lower().startswith("range: bytes="):
            start = int(line.split("=")[1].split("-")[0] or 0)
    start = min(start, len(mp3))
    status = b"206 Partial Content" if start else b"200 OK"
    conn.sendall(b"HTTP/1.1 " + status + b"\r\nContent-Type: audio/mpeg\r\nAccept-Ranges: bytes\r\n"
                 b"Content-Range: bytes %d-%d/%d\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                 % (start, len(mp3) - 1, len(mp3), len(mp3) - start))
    end = len(mp3)
    with lock:
        if not file_cut:
            file_cut = True
            end = len(mp3) // 3
    conn.sendall(mp3[start:max(start, end)])


def go_down(seconds):
    global down_until
    with lock:
        down_until = time.monotonic() + seconds
        note("down", down_until - seconds)
        note("up", down_until)
        for c in list(clients):
            try:
                c.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def handle(conn):
    try:
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        lines = request.decode("latin-1").split("\r\n")
        target = lines[0].split(" ")[1]
        url = urllib.parse.urlsplit(target)
        query = dict(urllib.parse.parse_qsl(url.query))
        icy = any(l.lower().startswith("icy-metadata: 1") for l in lines)
        if url.path in ("/live", "/drop"):
            enc = query.get("enc", "utf8")
            stream(conn, icy, 8000, lambda t: title_bytes(enc, int(t / 1.5)),
                   2.0 if url.path == "/drop" else None)
        elif url.path == "/file-cut":
            serve_file(conn, lines)
        elif url.path == "/big-title":
            junk = bytes((i % 32) if i % 3 else 0x41 for i in range(4080 - 20))
            stream(conn, icy, 8000, lambda t: junk)
        elif url.path == "/metaint":
            stream(conn, icy, int(query.get("n", "0")), lambda t: b"Metaint")
        elif url.path == "/html":
            page = b"<html><body>" + b"<p>Not a station</p>" * 500 + b"</body></html>"
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + page)
        elif url.path == "/loop":
            conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n")
        elif url.path == "/endless-header":
            conn.sendall(b"HTTP/1.0 200 OK\r\n")
            while True:
                conn.sendall(b"X-Filler: " + b"a" * 1000 + b"\r\n")
                time.sleep(0.001)
        elif url.path.startswith("/never"):
            while conn.recv(4096):
                pass
        elif url.path == "/trickle":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
            while True:
                conn.sendall(b"<p")
                time.sleep(1.0)
        else:
            conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
    except (OSError, IndexError):
        pass
    finally:
        with lock:
            clients.discard(conn)
        conn.close()


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    sys.stdout.write("%d\n" % listener.getsockname()[1])
    sys.stdout.flush()
    while True:
        conn, _ = listener.accept()
        with lock:
            down = time.monotonic() < down_until
            if not down:
                clients.add(conn)
        if down:
            # Gone: the connection is refused (reset) until the time is up.
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
            conn.close()
            continue
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
