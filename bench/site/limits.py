#!/usr/bin/env python3
"""kestrel-site under the loads that once broke it, as figures.

    python3 bench/site/limits.py [BUILD_DIR] [--runs R] [--burst N]

Each run starts the site on an empty folder of its own and measures:
  - a burst: N tagged MP3s (default 10,000) written as fast as Python can
    into 100 new folders; the time from the last write until the site holds
    every one of them (and how many it lacked 2 s after the last write);
  - files added during a rescan: 10 times, a POST /reindex is sent and one
    file is written while it runs (alternately into a folder the scan has
    walked and into a new one); the time from the write until a search
    finds it;
  - 100 slow clients from 127.0.0.1 (50 sending their headers a byte every
    100 ms, 50 sending a body of 100,000 bytes a byte a second) while a
    player-like client makes 200 searches, each on a new connection:
    latency median and p99, and how many were answered;
  - 1000 requests from 127.0.0.1 at once (searches, each on a connection of
    its own): how many were answered 200, refused 503 or lost, their latency
    median and p99, and the site's resident memory at most (sampled every
    10 ms) and its peak over the run (VmHWM).
Figures are medians over the R runs (default 10) with the worst run beside
them. The targets: every file within 2 s of the last write; the player's
searches all answered, p99 <= 1 s; the 1000 all answered, none refused,
memory <= 150 MB. Exits 1 when a run misses one.
"""
import asyncio
import os
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

build = os.environ.get("KESTREL_BUILD_DIR", "build")
runs, burst = 10, 10_000
args = sys.argv[1:]
while args:
    a = args.pop(0)
    if a == "--runs":
        runs = int(args.pop(0))
    elif a == "--burst":
        burst = int(args.pop(0))
    else:
        build = a
site_bin = os.environ.get("KESTREL_SITE_BIN", os.path.join(build, "kestrel-site"))
if not os.access(site_bin, os.X_OK):
    sys.exit("limits.py: no %s (build the kestrel-site target)" % site_bin)

# A thousand connections of ours at once, and as many of the site's.
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 65536), hard))


def frame(fid, text):
    body = b"\x03" + text.encode()
    n = len(body)
    return fid.encode() + bytes([(n >> s) & 0x7F for s in (21, 14, 7, 0)]) + b"\0\0" + body


def tagged(audio, artist, title):
    frames = frame("TPE1", artist) + frame("TIT2", title)
    n = len(frames)
    return b"ID3\x04\0\0" + bytes([(n >> s) & 0x7F for s in (21, 14, 7, 0)]) + frames + audio


def make_audio(work):
    subprocess.run(["sox", "-n", "-r", "8000", "-c", "1", work + "/t.wav", "synth", "0.1", "sine", "440"],
                   check=True)
    subprocess.run(["lame", "--quiet", "-t", "-b", "8", work + "/t.wav", work + "/t.mp3"], check=True)
    with open(work + "/t.mp3", "rb") as f:
        return f.read()


def write(path, data):
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.rename(path + ".part", path)  # hidden names are not indexed, so no half file is seen


def rss_kb(pid, key="VmRSS:"):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key):
                return int(line.split()[1])
    return 0


class Site:
    def __init__(self, music, work):
        self.log = open(os.path.join(work, "site.log"), "a")
        self.proc = subprocess.Popen([site_bin, "--port", "0", "--db", os.path.join(work, "index.sqlite"), music],
                                     stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.url = self.proc.stdout.readline().strip()
        u = urllib.parse.urlparse(self.url)
        self.host, self.port = u.hostname, u.port

    def get(self, path, timeout=10):
        with urllib.request.urlopen(self.url + path.lstrip("/"), timeout=timeout) as r:
            return r.status, r.read()

    def size(self):
        body = self.get("/")[1].decode()
        return int(body.split("Файлов в библиотеке: ")[1].split("<")[0])

    def found(self, word):
        return b"1. <a href=" in self.get("/search.php?q=" + word)[1]

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=30)
        self.log.close()


def wait_until(pred, bound):
    end = time.monotonic() + bound
    while not pred():
        if time.monotonic() > end:
            return False
        time.sleep(0.005)
    return True


def measure_burst(site, music, audio, tag):
    written = 0
    for f in range(100):
        folder = os.path.join(music, "burst%s" % tag, "f%03d" % f)
        os.makedirs(folder)
        for i in range(burst // 100):
            write(os.path.join(folder, "%04d.mp3" % i), tagged(audio, "Burst %s" % tag, "b%d" % written))
            written += 1
    last = time.monotonic()
    lacking = None
    while True:
        held = site.size()
        now = time.monotonic()
        if lacking is None and now >= last + 2:
            lacking = written - held
        if held >= written or now > last + 60:
            return now - last, lacking or 0
        time.sleep(0.005)


def measure_rescan_adds(site, music, audio, tag):
    times = []
    for i in range(10):
        word = "zq%sr%d" % (tag, i)
        folder = os.path.join(music, "burst%s" % tag, "f%03d" % (i * 7)) if i % 2 else \
            os.path.join(music, "during%s" % tag, "n%d" % i)
        os.makedirs(folder, exist_ok=True)
        t = threading.Thread(target=lambda: urllib.request.urlopen(
            urllib.request.Request(site.url + "reindex", method="POST"), timeout=60).read())
        t.start()
        time.sleep(0.01)  # into the scan, not before it
        write(os.path.join(folder, word + ".mp3"), tagged(audio, "During", word))
        written = time.monotonic()
        t.join()
        wait_until(lambda: site.found(word), 30)
        times.append(time.monotonic() - written)
    return times


async def slow_header(host, port, stop):
    try:
        r, w = await asyncio.open_connection(host, port)
        request = b"GET / HTTP/1.1\r\nHost: x\r\nX-Slow: " + b"a" * 10000
        for b in request:
            if stop.is_set():
                break
            w.write(bytes([b]))
            await asyncio.sleep(0.1)
        w.close()
    except OSError:
        pass


async def slow_body(host, port, stop):
    try:
        r, w = await asyncio.open_connection(host, port)
        w.write(b"POST /search.php HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\n")
        while not stop.is_set():
            w.write(b"x")
            await asyncio.sleep(1)
        w.close()
    except OSError:
        pass


async def one_search(host, port, word):
    t = time.perf_counter()
    try:
        r, w = await asyncio.open_connection(host, port)
        w.write(("GET /search.php?q=%s HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n" % word).encode())
        status = int((await asyncio.wait_for(r.readline(), 30)).split()[1])
        await asyncio.wait_for(r.read(), 30)
        w.close()
    except (OSError, asyncio.TimeoutError, IndexError, ValueError):
        status = 0
    return status, (time.perf_counter() - t) * 1000


async def measure_slow_clients(site):
    stop = asyncio.Event()
    slow = [asyncio.create_task(slow_header(site.host, site.port, stop)) for _ in range(50)]
    slow += [asyncio.create_task(slow_body(site.host, site.port, stop)) for _ in range(50)]
    await asyncio.sleep(1)  # all hundred connected and trickling
    results = []
    for i in range(200):
        results.append(await one_search(site.host, site.port, "b%d" % (i * 37 % burst)))
    stop.set()
    await asyncio.gather(*slow)
    lat = sorted(ms for status, ms in results if status == 200)
    return sum(1 for s, _ in results if s == 200), len(results), lat


async def measure_thousand(site):
    peak = [0]
    done = asyncio.Event()

    async def sample():
        while not done.is_set():
            peak[0] = max(peak[0], rss_kb(site.proc.pid))
            await asyncio.sleep(0.01)

    sampler = asyncio.create_task(sample())
    results = await asyncio.gather(*[one_search(site.host, site.port, "b%d" % i) for i in range(1000)])
    done.set()
    await sampler
    lat = sorted(ms for status, ms in results if status == 200)
    count = {s: sum(1 for r, _ in results if r == s) for s in (200, 503, 0)}
    return count, lat, peak[0], rss_kb(site.proc.pid, "VmHWM:")


def pct(values, p):
    return values[min(len(values) - 1, int(len(values) * p))] if values else float("nan")


def main():
    work = tempfile.mkdtemp(prefix="kestrel-bench-limits-")
    ok = True
    rows = {k: [] for k in ("burst", "lacking", "during", "during_max", "player_answered", "player_p50",
                            "player_p99", "k_answered", "k_refused", "k_lost", "k_p50", "k_p99", "rss", "hwm")}
    try:
        audio = make_audio(work)
        for run in range(runs):
            music = os.path.join(work, "music%d" % run)
            os.makedirs(music)
            site = Site(music, work)
            try:
                b, lacking = measure_burst(site, music, audio, str(run))
                during = measure_rescan_adds(site, music, audio, str(run))
                answered, asked, lat = asyncio.run(measure_slow_clients(site))
                count, klat, rss, hwm = asyncio.run(measure_thousand(site))
            finally:
                site.stop()
            shutil.rmtree(music)
            rows["burst"].append(b)
            rows["lacking"].append(lacking)
            rows["during"].append(statistics.median(during))
            rows["during_max"].append(max(during))
            rows["player_answered"].append(answered)
            rows["player_p50"].append(statistics.median(lat) if lat else float("nan"))
            rows["player_p99"].append(pct(lat, 0.99))
            rows["k_answered"].append(count[200])
            rows["k_refused"].append(count[503])
            rows["k_lost"].append(count[0])
            rows["k_p50"].append(statistics.median(klat) if klat else float("nan"))
            rows["k_p99"].append(pct(klat, 0.99))
            rows["rss"].append(rss / 1024)
            rows["hwm"].append(hwm / 1024)
            missed = (b > 2 or max(during) > 2 or answered < asked or pct(lat, 0.99) > 1000 or count[200] < 1000 or
                      hwm / 1024 > 150)
            ok &= not missed
            print("run %d: burst %.2f s (%d lacking at 2 s), during a rescan median %.2f s max %.2f s; player %d/%d, "
                  "p99 %.0f ms; 1000 at once: %d answered, %d refused, %d lost, p99 %.0f ms, RSS %.1f MB (peak %.1f)%s"
                  % (run + 1, b, lacking, statistics.median(during), max(during), answered, asked, pct(lat, 0.99),
                     count[200], count[503], count[0], pct(klat, 0.99), rss / 1024, hwm / 1024,
                     "  MISSED" if missed else ""), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    def show(key, fmt, worst=max):
        return (fmt % statistics.median(rows[key])) + " (worst " + (fmt % worst(rows[key])) + ")"

    print("burst of %d files into new folders, last write to all served: %s s; lacking 2 s after: %s"
          % (burst, show("burst", "%.2f"), show("lacking", "%d")))
    print("a file written during a rescan, to found: median %s s, max %s s"
          % (show("during", "%.2f"), show("during_max", "%.2f")))
    print("player's 200 searches beside 100 slow clients: answered %s of 200, median %s ms, p99 %s ms"
          % (show("player_answered", "%d", min), show("player_p50", "%.1f"), show("player_p99", "%.1f")))
    print("1000 requests at once: answered %s, refused %s, lost %s, median %s ms, p99 %s ms"
          % (show("k_answered", "%d", min), show("k_refused", "%d"), show("k_lost", "%d"), show("k_p50", "%.0f"),
             show("k_p99", "%.0f")))
    print("site memory during the 1000: RSS at most %s MB, peak of the run %s MB"
          % (show("rss", "%.1f"), show("hwm", "%.1f")))
    return 0 if ok else 1


sys.exit(main())
