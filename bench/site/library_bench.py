#!/usr/bin/env python3
"""The site over a library of 100,000 tagged MP3s, as a user starts it.

    python3 bench/site/library_bench.py [BUILD_DIR] [--files N] [--runs R] [--keep DIR]

Writes N small MP3s (one frame made by lame, each with an ID3v2.4 tag of its
own) under Artist/Album/ folders in a temporary folder (or DIR, kept for the
next run), then measures in one run:
  - TagLib alone reading every file's tags in one pass (bench_site_taglib_pass,
    1 and 2 threads), the peer of
  - the first index: kestrel-site started on an empty index, to its address;
  - a restart with the files unchanged, to the first search answered;
  - search.php latency over HTTP (keep-alive), median and 99th percentile;
  - resident memory after the index, and across 20 rescans, each after one
    file changed.
Timed figures are medians of R runs (default 3).
"""
import http.client
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse

build = "build"
files = 100_000
keep = None
runs = 3
args = sys.argv[1:]
while args:
    a = args.pop(0)
    if a == "--files":
        files = int(args.pop(0))
    elif a == "--runs":
        runs = int(args.pop(0))
    elif a == "--keep":
        keep = args.pop(0)
    else:
        build = a
site_bin = os.path.join(build, "kestrel-site")
taglib_bin = os.path.join(build, "bench", "site", "bench_site_taglib_pass")

ARTISTS = ["Кино", "Аквариум", "ДДТ", "Depeche Mode", "Ёлка", "Сплин", "Beyoncé", "Björk", "Queen",
           "Земфира", "The Cure", "Алиса", "Sigur Rós", "Kraftwerk", "Мумий Тролль", "Portishead"]
WORDS = ["звезда", "солнце", "ночь", "город", "любовь", "дорога", "песня", "river", "light", "dance",
         "moon", "silence", "heart", "время", "небо", "ветер", "огонь", "дождь", "summer", "dream",
         "café", "été", "naïve", "übung"]


def frame(fid, text):
    body = b"\x03" + text.encode()
    n = len(body)
    size = bytes([(n >> s) & 0x7F for s in (21, 14, 7, 0)])
    return fid.encode() + size + b"\0\0" + body


def id3(artist, title, album):
    frames = frame("TPE1", artist) + frame("TIT2", title) + frame("TALB", album)
    n = len(frames)
    return b"ID3\x04\0\0" + bytes([(n >> s) & 0x7F for s in (21, 14, 7, 0)]) + frames


def make_library(root, n):
    stamp = os.path.join(root, ".made-%d" % n)
    if os.path.exists(stamp):
        return
    tmp = tempfile.mkdtemp()
    subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", tmp + "/t.wav", "synth", "0.1", "sine", "440"],
                   check=True)
    subprocess.run(["lame", "--quiet", "-t", "-b", "8", tmp + "/t.wav", tmp + "/t.mp3"], check=True)
    audio = open(tmp + "/t.mp3", "rb").read()
    shutil.rmtree(tmp)
    rng = random.Random(1)
    per_album, albums = 10, 5
    for i in range(n):
        a = i // (per_album * albums)
        artist = "%s %d" % (rng.choice(ARTISTS), a)
        album = "%s %d" % (rng.choice(WORDS).capitalize(), (i // per_album) % albums)
        title = " ".join(rng.choice(WORDS) for _ in range(1 + rng.randrange(3)))
        folder = os.path.join(root, "artist%05d" % a, "album%d" % ((i // per_album) % albums))
        if i % per_album == 0:
            os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "%02d - track%06d.mp3" % (i % per_album, i)), "wb") as f:
            f.write(id3(artist, title, album) + audio)
    open(stamp, "w").close()


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Site:
    def __init__(self, music, db, log):
        self.started = time.monotonic()
        self.log = open(log, "a")
        self.proc = subprocess.Popen([site_bin, "--port", "0", "--db", db, music], stdout=subprocess.PIPE,
                                     stderr=self.log, text=True)
        self.url = self.proc.stdout.readline().strip()
        self.listening = time.monotonic() - self.started
        u = urllib.parse.urlparse(self.url)
        self.conn = http.client.HTTPConnection(u.hostname, u.port, timeout=120)

    def get(self, path):
        self.conn.request("GET", path)
        r = self.conn.getresponse()
        return r.status, r.read()

    def reindex(self):
        self.conn.request("POST", "/reindex")
        r = self.conn.getresponse()
        return r.read()

    def stop(self):
        self.conn.close()
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=30)
        self.log.close()


def main():
    work = keep or tempfile.mkdtemp(prefix="kestrel-bench-library-")
    music = os.path.join(work, "music")
    os.makedirs(music, exist_ok=True)
    try:
        t = time.monotonic()
        make_library(music, files)
        print("library: %d files (%.0f s to make, once)" % (files, time.monotonic() - t))
        # A first pass warms the page cache for everyone alike.
        subprocess.run([taglib_bin, music, "2"], check=True, stdout=subprocess.DEVNULL)

        peer1, peer2, first, restart = [], [], [], []
        for _ in range(runs):
            out = subprocess.run([taglib_bin, music, "1"], check=True, capture_output=True, text=True).stdout
            peer1.append(float(out.split()[3]))
            out = subprocess.run([taglib_bin, music, "2"], check=True, capture_output=True, text=True).stdout
            peer2.append(float(out.split()[3]))
            db = os.path.join(work, "db", "index.sqlite")
            shutil.rmtree(os.path.join(work, "db"), ignore_errors=True)
            s = Site(music, db, os.path.join(work, "site.log"))
            first.append(s.listening)
            s.stop()
            s = Site(music, db, os.path.join(work, "site.log"))
            status, body = s.get("/search.php?q=" + urllib.parse.quote("kraftwerk dream"))
            restart.append(time.monotonic() - s.started)
            assert status == 200 and b"1. <a href=" in body
            s.stop()
        m1, m2, mf = statistics.median(peer1), statistics.median(peer2), statistics.median(first)
        print("TagLib alone, one pass: %.2f s (1 thread), %.2f s (2 threads)" % (m1, m2))
        print("first index (start to serving): %.2f s = %.2fx TagLib 1 thread, %.2fx TagLib 2 threads"
              % (mf, mf / m1, mf / m2))
        print("restart, files unchanged, to the first search answered: %.3f s" % statistics.median(restart))

        s = Site(music, db, os.path.join(work, "site.log"))
        s.reindex()  # the rescan after a restart, waited for
        rng = random.Random(2)
        queries = ([rng.choice(ARTISTS) for _ in range(300)] + [rng.choice(WORDS) for _ in range(300)] +
                   ["%s %s" % (rng.choice(ARTISTS), rng.choice(WORDS)) for _ in range(300)] +
                   ["track%06d" % rng.randrange(files) for _ in range(300)] +
                   ["beyonce", "bjork", "ёлка", "nothingmatchesthis", "zzz qqq"] * 60)
        rng.shuffle(queries)
        lat = []
        for q in queries:
            t = time.perf_counter()
            status, _ = s.get("/search.php?p=1&v=0&q=" + urllib.parse.quote(q) + "&x=32&y=15")
            lat.append((time.perf_counter() - t) * 1000)
            assert status == 200
        lat.sort()
        print("search.php over %d tracks, %d queries: median %.2f ms, p99 %.2f ms, max %.2f ms"
              % (files, len(lat), statistics.median(lat), lat[int(len(lat) * 0.99)], lat[-1]))

        rss = [rss_kb(s.proc.pid)]
        victim = None
        for root, _, names in os.walk(music):
            if names and not names[0].startswith("."):
                victim = os.path.join(root, names[0])
                break
        for i in range(20):
            os.utime(victim, ns=(time.time_ns(), time.time_ns() + i))
            s.reindex()
            rss.append(rss_kb(s.proc.pid))
        print("resident memory (MB): after the index %.1f; across 20 rescans min %.1f max %.1f last %.1f"
              % (rss[0] / 1024, min(rss[1:]) / 1024, max(rss[1:]) / 1024, rss[-1] / 1024))
        s.stop()
    finally:
        if not keep:
            shutil.rmtree(work, ignore_errors=True)


main()
