#!/usr/bin/env bash
# A station's start in the running player, medians of several runs, the peer
# in the same run, on live Icecast2 mounts fed by ezstream in real time:
#   - ours: from the double click on a station (the moment before the second
#     click is sent) to its first audible sample, that is the first sample
#     above silence that SDL's disk driver writes to its file (a FIFO read
#     here as it comes; a buffer is heard over the period that follows its
#     write). Each run starts the player afresh: its first station (the
#     sound device opens, FFmpeg and SDL load) and, paused, a second station
#     on the other mount (the running player);
#   - mpv --no-video --ao=null: from its "Opening" of the address to
#     "starting audio playback" (its log's own clock), which leaves out its
#     start-up and its libraries' loading;
#   targets: at most 300 ms and no slower than mpv.
# Icecast hands a new listener its first data when its source next sends
# (ezstream: some 4 KB at a time, every quarter second), so single runs of
# either player spread over a quarter second.
# Usage: bench/audiolib/player_radio.sh [BUILD_DIR] [RUNS]  (default build, 5;
#        icecast2, ezstream, mpv, Xvfb, xdotool installed)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-${KESTREL_BUILD_DIR:-$root/build}}")
runs=${2:-5}
player=$build/kestrel-player
for tool in icecast2 ezstream mpv Xvfb xdotool dbus-daemon sox lame; do
  command -v "$tool" >/dev/null || { echo "player_radio.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$player" ] || { echo "player_radio.sh: no player at $player" >&2; exit 1; }
work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null & pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
# A session bus of our own, so that the player's desktop controls wait on none.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
  read -r address; read -r pid; echo "export DBUS_SESSION_BUS_ADDRESS='$address'; pids+=($pid)"; })"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Two mounts, a tone each, as a station already on air.
for hz in 440 880; do
  sox -n -r 44100 -c 2 -b 16 "$work/t$hz.wav" synth 30 sine $hz vol 0.5 2>/dev/null
  lame --quiet --cbr -b 128 "$work/t$hz.wav" "$work/t$hz.mp3" && rm "$work/t$hz.wav"
  chmod 644 "$work/t$hz.mp3"
done
. "$root/bench/support/icecast.sh"
icecast_start "$work"
for hz in 440 880; do icecast_mount "$work" "t$hz.mp3" "$work/t$hz.mp3"; done
base="http://127.0.0.1:$icecast_port"
sleep 2  # the mounts' burst buffers fill as they would on stations already on air

mkdir -p "$work/kestrel"
cp -r "$root/data/." "$work/kestrel/"
PYTHONPATH="$root/bench/support" python3 - "$player" "$work" "$base" "$runs" <<'PY'
import os, re, select, statistics, struct, subprocess, sys, threading, time
from player_session import main_window, stop, xdo

player, work, base, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
kdir = os.path.join(work, "kestrel")
stations = os.path.join(kdir, "inet_radio.pls")
text = open(stations, "rb").read().decode("cp1251")
head, section, tail = text.partition("[Всё подряд]")
tail = re.sub(r"File1 = [^\r\n]*", "File1 = %s/t440.mp3" % base, tail, count=1)
tail = re.sub(r"File2 = [^\r\n]*", "File2 = %s/t880.mp3" % base, tail, count=1)
open(stations, "wb").write((head + section + tail).encode("cp1251"))

class Fifo:
    """SDL's disk driver writes the mixed float frames here, one device
    buffer a period, each as the period it plays in begins. A thread reads
    them as they come (a full pipe would hold the driver back) and stamps
    each read."""
    FRAMES = 2048  # the player's device buffer
    RATE = 44100

    def __init__(self, path):
        os.mkfifo(path)
        self.fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
        self.reads = []  # (time, left-channel samples)
        self.lock = threading.Lock()
        self.done = False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        pending = b""
        while not self.done:
            ready, _, _ = select.select([self.fd], [], [], 0.1)
            if not ready:
                continue
            now = time.monotonic()
            try:
                data = pending + os.read(self.fd, 1 << 20)
            except BlockingIOError:
                continue
            if len(data) == len(pending):
                time.sleep(0.001)  # no writer yet
                continue
            whole = len(data) // 8 * 8
            pending = data[whole:]
            with self.lock:
                self.reads.append((now, struct.unpack("<%df" % (whole // 4), data[:whole])[0::2]))

    def first_sound(self, since, limit=5.0):
        """When the first sample above silence written after `since` is heard."""
        end = time.monotonic() + limit
        seen = 0
        while time.monotonic() < end:
            with self.lock:
                fresh = self.reads[seen:]
                seen = len(self.reads)
            for now, left in fresh:
                if now < since:
                    continue
                first = next((i for i, v in enumerate(left) if abs(v) > 1e-3), None)
                if first is not None:
                    # Buffers read together were written a period apart, the last one now.
                    buffers = -(-len(left) // self.FRAMES)
                    written = now - (buffers - 1 - first // self.FRAMES) * self.FRAMES / self.RATE
                    return written + (first % self.FRAMES) / self.RATE
            time.sleep(0.005)
        return None

    def silent_since(self, since):
        with self.lock:
            return all(abs(v) <= 1e-3 for now, left in self.reads if now >= since for v in left)

    def close(self):
        self.done = True
        self.thread.join()
        os.close(self.fd)

def double_click(x, y):
    """Two clicks; returns the moment before the second is sent."""
    xdo("mousemove", str(x), str(y))
    time.sleep(0.2)
    xdo("click", "1")
    time.sleep(0.08)
    t = time.monotonic()
    xdo("click", "1")
    return t

def player_run(n):
    """One fresh player: its first station (the sound device opens and the
    decoders load), then, paused, a second station (all warm)."""
    fifo = Fifo(os.path.join(work, "out%d.raw" % n))
    env = dict(os.environ, KESTREL_AUTO_OK="1", KESTREL_SITE_URL="http://127.0.0.1:9/", QT_QPA_PLATFORM="xcb",
               SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=os.path.join(work, "out%d.raw" % n))
    p = subprocess.Popen([player], cwd=kdir, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    w = main_window('player_radio.sh')
    g = dict(l.split("=") for l in xdo("getwindowgeometry", "--shell", w).splitlines() if "=" in l)
    x, y = int(g["X"]), int(g["Y"])
    def click(cx, cy):
        xdo("mousemove", str(x + cx), str(y + cy))
        time.sleep(0.2)
        xdo("click", "1")
    # Places in the main window: RadioModeButton, StationList's rows (14
    # pixels), PlayButton (src/ui/register_main_window.cpp).
    click(676, 38)  # radio mode
    time.sleep(1.0)
    results = []
    for row in (0, 1):
        t = double_click(x + 250, y + 106 + 14 * row)
        heard = fifo.first_sound(t)
        results.append(None if heard is None else (heard - t) * 1000)
        time.sleep(1.0)
        click(381, 360)  # pause: the next station starts from silence
        time.sleep(0.5)
        quiet = time.monotonic()
        time.sleep(0.3)
        if not fifo.silent_since(quiet):
            raise SystemExit("player_radio.sh: the pause did not silence the player")
    stop(p)
    fifo.close()
    return results

def mpv_run(url):
    out = subprocess.run(["mpv", "--no-config", "--no-video", "--ao=null", "--msg-time", "--msg-level=all=v",
                          "--length=0.5", url], capture_output=True, text=True).stdout
    opened = started = None
    for line in out.splitlines():
        m = re.match(r"\[\s*([0-9.]+)\]", line)
        if not m:
            continue
        if opened is None and "[ffmpeg] Opening http" in line:
            opened = float(m.group(1))
        if started is None and "starting audio playback" in line:
            started = float(m.group(1))
    return None if opened is None or started is None else (started - opened) * 1000

first, second, peer = [], [], []
for n in range(runs):
    a, b = player_run(n)
    if a is not None:
        first.append(a)
    if b is not None:
        second.append(b)
    m = mpv_run(base + ("/t440.mp3" if n % 2 == 0 else "/t880.mp3"))
    if m is not None:
        peer.append(m)

def show(values):
    return " ".join("%.0f" % v for v in values)

med = lambda v: statistics.median(v) if v else float("nan")
print("== Double click to the first audible sample, the player's disk output (%d runs)" % runs)
print("running player, a station (ms): %s" % show(second))
print("fresh player, its first station (ms): %s" % show(first))
print("mpv, open to audio (ms): %s" % show(peer))
for name, v in (("running player", second), ("fresh player, first station", first)):
    print("%s: median %.1f ms (target <= 300); mpv median %.1f ms; ratio %.2f (target <= 1)"
          % (name, med(v), med(peer), med(v) / med(peer) if peer else float("nan")))
PY
