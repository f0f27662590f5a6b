#!/usr/bin/env bash
# The player beside its peers on one virtual X server, interleaved runs:
#   start to a mapped window (Audacious), idle CPU and wake-ups with the window
#   shown (Audacious), CPU and wake-ups playing a 128 kbit/s MP3 made by lame
#   (Audacious), CPU playing a local radio stream (mpv --no-video),
#   proportional memory idle (Audacious), and, with openbox managing the
#   screen, CPU and wake-ups playing the MP3 with the window minimized
#   (`xdotool windowminimize`): on SDL's dummy driver, and on a null sink of
#   a PulseAudio server of our own beside `mpg123 -q -o pulse` playing the
#   same file to it; and how long after the restored window is mapped its
#   first picture shows the current time (no older picture in between).
#   Prints one table of medians with the ratio player / peer, and the
#   minimized player's wake-ups thread by thread.
#
# CPU is user + system time of all threads from /proc/PID/stat over the
# window; wake-ups are the voluntary + involuntary context switches of all
# threads (/proc/PID/task/*/status) over the same window, per second.
# Both players use SDL's dummy audio driver (no sound card is assumed), mpv
# its null output.
#
#   PEERS_SECONDS  length of each measuring window (default 30)
#   PEERS_RUNS     runs of each measure and player (default 5)
#   PEERS_PERF     a folder: the player's playing windows are also recorded
#                  there with `perf record -g` (play-N.data, radio-N.data,
#                  minimized-N.data)
#   PEERS_ONLY     the measures to run, of: start (with idle and memory),
#                  play, radio, minimized (default: all)
#   PEERS_SCALE    a density (2, 1.5): the player is also started, measured
#                  idle and playing the MP3 at QT_SCALE_FACTOR=PEERS_SCALE, on
#                  a screen large enough, in the same interleaved runs; its
#                  rows compare it with the player at 1x
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KESTREL_BUILD_DIR:-$root/build}
player="$build/kestrel-player"
for tool in audacious mpv mpg123 lame Xvfb xev xdotool xprop dbus-daemon openbox pulseaudio; do
    command -v "$tool" >/dev/null || { echo "peers.sh: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
[ -x "$player" ] || { echo "peers.sh: no player at $player" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
bus_pid=""
pulse_pid=""
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

scale=${PEERS_SCALE:-}
screen=1280x1024
[ -n "$scale" ] && screen=2560x1600
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

# A session bus of our own, so that neither player waits on one.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
    read -r address
    read -r pid
    echo "export DBUS_SESSION_BUS_ADDRESS='$address'; bus_pid=$pid"
})"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export SDL_AUDIODRIVER=dummy

# A sound server of our own with a null sink (paced by the server's clock),
# for the output the minimized player and mpg123 share.
mkdir -p "$work/pulse"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    --load="module-null-sink sink_name=bench" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" >/dev/null 2>&1 &
pulse_pid=$!
for _ in $(seq 100); do [ -S "$work/pulse/native" ] && break; sleep 0.1; done
export PEERS_PULSE="unix:$work/pulse/native"

# The track: a minute of chords and noise, 44.1 kHz stereo, 128 kbit/s.
python3 - "$work/track.wav" <<'PY'
import math, random, struct, sys, wave
rate, seconds = 44100, 60
random.seed(1)
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
    frames = bytearray()
    for i in range(rate * seconds):
        t = i / rate
        base = 110 * (1 + (int(t) % 4))
        v = 0.25 * math.sin(2 * math.pi * base * t) + 0.15 * math.sin(2 * math.pi * 2.5 * base * t)
        v += 0.05 * (random.random() - 0.5)
        s = int(max(-1.0, min(1.0, v)) * 32000)
        frames += struct.pack("<hh", s, s)
    w.writeframes(bytes(frames))
PY
lame --quiet -b 128 "$work/track.wav" "$work/track.mp3"
rm -f "$work/track.wav"

# Audacious: no first-run questions, SDL output, nothing restored.
mkdir -p "$HOME/.config/audacious"
timeout 20 audacious --headless --quit-after-play >/dev/null 2>&1 || true
registry="$HOME/.config/audacious/plugin-registry"
if [ -f "$registry" ]; then
    # Only the SDL output is enabled.
    awk '/^output /{out=$2} /^(input|general|effect|vis|container|transport|playlist|iface) /{out=""}
         /^enabled /{ if (out ~ /sdlout/) { print "enabled 1"; next } else if (out != "") { print "enabled 0"; next } }
         {print}' "$registry" >"$registry.new" && mv "$registry.new" "$registry"
fi
cat >"$HOME/.config/audacious/config" <<'CFG'
[audacious]
resume_playback_on_startup=FALSE
show_interface=TRUE
CFG

# The player's data, with the first station of "all styles" pointed at the
# measured source (the stream or the file).
cp -r "$root/data/." "$work/kestrel/" 2>/dev/null || { mkdir -p "$work/kestrel" && cp -r "$root/data/." "$work/kestrel/"; }

PEERS_SECONDS=${PEERS_SECONDS:-30} PEERS_RUNS=${PEERS_RUNS:-5} PEERS_SCALE=$scale PEERS_SCREEN=$screen \
    PYTHONPATH="$root/bench/support" python3 - "$player" "$work" <<'PY'
import ctypes, ctypes.util, http.server, os, re, signal, socketserver, statistics, subprocess, sys, threading, time
from player_session import main_window, stop, xdo

player, work = sys.argv[1], sys.argv[2]
window = float(os.environ["PEERS_SECONDS"])
runs = int(os.environ["PEERS_RUNS"])
only = set((os.environ.get("PEERS_ONLY") or "start,play,radio,minimized").split(","))
scale = os.environ.get("PEERS_SCALE", "")
screen_w, screen_h = (int(v) for v in os.environ["PEERS_SCREEN"].split("x"))
away = (str(screen_w - 10), str(screen_h - 14))  # a corner no window covers
tick = os.sysconf("SC_CLK_TCK")
track = os.path.join(work, "track.mp3")
kdir = os.path.join(work, "kestrel")
stations = os.path.join(kdir, "inet_radio.pls")
original_pls = open(stations, "rb").read()

# The local radio stream: the track, looped, at its own bit rate.
class Radio(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        data = open(track, "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("icy-name", "bench")
        self.end_headers()
        rate = 128000 // 8
        chunk = rate // 10
        start = time.monotonic()
        sent = 0
        try:
            while True:
                for at in range(0, len(data), chunk):
                    self.wfile.write(data[at:at + chunk])
                    sent += chunk
                    # Ahead by two seconds at most, like a server's burst.
                    delay = start + sent / rate - 2.0 - time.monotonic()
                    if delay > 0:
                        time.sleep(delay)
        except (BrokenPipeError, ConnectionResetError):
            pass

class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

server = Server(("127.0.0.1", 0), Radio)
threading.Thread(target=server.serve_forever, daemon=True).start()
stream_url = f"http://127.0.0.1:{server.server_address[1]}/radio.mp3"

def set_station(address):
    text = original_pls.decode("cp1251")
    section = "[Всё подряд]"
    head, _, tail = text.partition(section)
    tail = re.sub(r"File1 = [^\r\n]*", "File1 = " + address.replace("\\", "\\\\"), tail, count=1)
    open(stations, "wb").write((head + section + tail).encode("cp1251"))

def cpu(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick

def switches(pid):
    """Context switches so far of each live thread."""
    counts = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            for line in open(f"/proc/{pid}/task/{task}/status"):
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    counts[task] = counts.get(task, 0) + int(line.split()[1])
        except OSError:
            pass
    return counts

def thread_names(pid):
    names = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            names[task] = open(f"/proc/{pid}/task/{task}/comm").read().strip()
        except OSError:
            pass
    return names

def switched(before, after):
    # A thread that ended in between takes its count with it: only the
    # threads seen at both ends (and those started in between) are counted.
    return sum(n - before.get(task, 0) for task, n in after.items())

def pss(pid):
    for line in open(f"/proc/{pid}/smaps_rollup"):
        if line.startswith("Pss:"):
            return int(line.split()[1]) / 1024
    return float("nan")

def measure(pid, profile=None, by_thread=None):
    """CPU % and wake-ups/s of `pid` over the window; `profile` names a perf
    recording of the window in PEERS_PERF, when that is set; `by_thread`, a
    dict, gathers each thread's wake-ups/s under its name."""
    recorder = None
    if profile and os.environ.get("PEERS_PERF"):
        recorder = subprocess.Popen(["perf", "record", "-q", "-g", "-p", str(pid), "-o",
                                     os.path.join(os.environ["PEERS_PERF"], profile + ".data")],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    c0, s0, t0 = cpu(pid), switches(pid), time.monotonic()
    time.sleep(window)
    c1, s1, t1 = cpu(pid), switches(pid), time.monotonic()
    if by_thread is not None:
        names = thread_names(pid)
        for task, n in s1.items():
            name = "%s (%s)" % (names.get(task, "?"), "main" if task == str(pid) else "thread")
            by_thread.setdefault(name, []).append((n - s0.get(task, 0)) / (t1 - t0))
    if recorder:
        recorder.send_signal(signal.SIGINT)
        recorder.wait()
    return 100 * (c1 - c0) / (t1 - t0), switched(s0, s1) / (t1 - t0)

def start_mapped(command, cwd, env=None):
    """Starts `command`; returns (process, ms until its first window is mapped)."""
    xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    time.sleep(0.3)  # xev has selected its events
    start = time.monotonic()
    p = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = None
    deadline = start + 20
    os.set_blocking(xev.stdout.fileno(), False)
    buffer = ""
    while elapsed is None and time.monotonic() < deadline:
        try:
            chunk = xev.stdout.read()
        except (BlockingIOError, TypeError):
            chunk = None
        if chunk:
            buffer += chunk
            if "MapNotify event" in buffer:
                elapsed = (time.monotonic() - start) * 1000
                break
        time.sleep(0.002)
    xev.kill()
    xev.wait()
    return p, elapsed

def kestrel_env(density=None, **extra):
    env = dict(os.environ, KESTREL_AUTO_OK="1", KESTREL_SITE_URL="http://127.0.0.1:9/", QT_QPA_PLATFORM="xcb",
               **extra)
    if density:
        env["QT_SCALE_FACTOR"] = density
    return env

def kestrel_play(address, env=None, density=None):
    """The player in radio mode, playing its first station (set to `address`)."""
    set_station(address)
    p, _ = start_mapped([player], kdir, env or kestrel_env(density))
    w = main_window('peers.sh')
    geometry = dict(l.split("=") for l in xdo("getwindowgeometry", "--shell", w).splitlines() if "=" in l)
    x, y = int(geometry["X"]), int(geometry["Y"])
    factor = float(density or 1)
    def click(cx, cy, repeat=1):
        cx, cy = round(cx * factor), round(cy * factor)
        xdo("mousemove", str(x + cx - 1), str(y + cy - 1))
        xdo("mousemove", str(x + cx), str(y + cy))
        time.sleep(0.3)
        xdo("click", "--repeat", str(repeat), "--delay", "80", "1")
        time.sleep(0.3)
    click(676, 38)       # radio mode
    click(250, 106, 2)   # the first station
    xdo("mousemove", *away)  # the pointer leaves the window
    set_station("http://127.0.0.1:9/")
    return p


def start_openbox():
    wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if "_NET_SUPPORTING_WM_CHECK(WINDOW)" in subprocess.run(["xprop", "-root"], capture_output=True,
                                                                 text=True).stdout:
            break
        time.sleep(0.1)
    return wm

def map_state(w):
    out = subprocess.run(["xwininfo", "-id", w], capture_output=True, text=True).stdout
    found = re.search(r"Map State: (\w+)", out)
    return found.group(1) if found else None

def minimize(w):
    xdo("windowminimize", w)
    for _ in range(100):
        if map_state(w) == "IsUnMapped":
            return
        time.sleep(0.05)
    raise SystemExit("peers.sh: the player's window was not minimized")

# The restored window's pixels, read straight from the X server (ctypes,
# Xlib): the time display and a pixel of the skin, a grab in well under a
# millisecond.
xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XGetPixel.restype = ctypes.c_ulong
xlib.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
xlib.XDestroyImage.argtypes = [ctypes.c_void_p]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
xlib.XSetErrorHandler(ERROR_HANDLER)  # a grab of a window not yet viewable fails quietly
display = xlib.XOpenDisplay(None)
layout = __import__("json").loads(subprocess.run([player, "--layout"], capture_output=True).stdout)
time_rect = layout["modes"]["radio"]["TimeDisplay"]

def grab(w, rect):
    """The pixels of a window-relative rectangle, or None."""
    x, y, width, height = rect
    image = xlib.XGetImage(display, int(w), x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return None
    pixels = tuple(xlib.XGetPixel(image, i, j) & 0xFFFFFF for j in range(height) for i in range(width))
    xlib.XDestroyImage(image)
    return pixels

def restored_picture_ms(w, stale):
    """Restores the minimized window; ms from its being mapped to the first grab whose time display
    is painted and differs from `stale` (what it showed when minimized), and whether a painted
    stale one was seen first."""
    xdo("windowactivate", w)
    mapped = None
    stale_seen = False
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        if mapped is None:
            if map_state(w) == "IsViewable":
                mapped = time.monotonic()
            continue
        skin = grab(w, (300, 12, 1, 1))
        shown = grab(w, time_rect)
        if skin and skin[0] != 0 and shown and any(shown):
            if shown != stale:
                return (time.monotonic() - mapped) * 1000, stale_seen
            stale_seen = True
    return None, stale_seen

by_thread = {}
stale_pictures = 0

samples = {}
def add(key, value):
    if value is not None:
        samples.setdefault(key, []).append(value)

settle = 3.0
for run in range(runs):
    # Start-up and idle: the window shown, nothing playing, the pointer away.
    players = ["kestrel", "audacious"] + (["kestrel@" + scale] if scale else [])
    for who in (players if run % 2 == 0 else players[::-1]) if "start" in only else []:
        xdo("mousemove", *away)
        if who.startswith("kestrel"):
            set_station("http://127.0.0.1:9/")
            p, ms = start_mapped([player], kdir, kestrel_env(who.partition("@")[2]))
        else:
            p, ms = start_mapped(["audacious"], work)
        add(("start", who), ms)
        time.sleep(settle)
        c, s = measure(p.pid)
        add(("idle cpu", who), c)
        add(("idle wake", who), s)
        add(("pss", who), pss(p.pid))
        stop(p)
    # Playing the MP3 file.
    for who in (players if run % 2 == 0 else players[::-1]) if "play" in only else []:
        if who.startswith("kestrel"):
            p = kestrel_play(track, density=who.partition("@")[2])
        else:
            p, _ = start_mapped(["audacious", track], work)
        time.sleep(settle)
        at = who.partition("@")[2]
        c, s = measure(p.pid, who.startswith("kestrel") and "play-%d%s" % (run, "-at-" + at if at else ""))
        add(("play cpu", who), c)
        add(("play wake", who), s)
        stop(p)
    # Playing the local radio stream.
    for who in (["kestrel", "mpv"] if run % 2 == 0 else ["mpv", "kestrel"]) if "radio" in only else []:
        if who == "kestrel":
            p = kestrel_play(stream_url)
        else:
            p = subprocess.Popen(["mpv", "--no-video", "--no-config", "--ao=null", "--really-quiet", stream_url],
                                 cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(settle)
        c, s = measure(p.pid, who == "kestrel" and "radio-%d" % run)
        add(("radio cpu", who), c)
        add(("radio wake", who), s)
        stop(p)

    # Playing the MP3 file unseen: the player minimized by openbox, on SDL's
    # dummy driver and on the sound server beside mpg123; then the dummy
    # one restored.
    if "minimized" in only:
        wm = start_openbox()
        order = ["kestrel", "kestrel-pulse", "mpg123"]
        for who in order if run % 2 == 0 else order[::-1]:
            if who == "mpg123":
                p = subprocess.Popen(["mpg123", "-q", "-o", "pulse", track], cwd=work,
                                     env=dict(os.environ, PULSE_SERVER=os.environ["PEERS_PULSE"]),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            else:
                env = kestrel_env()
                if who == "kestrel-pulse":
                    env = kestrel_env(SDL_AUDIODRIVER="pulseaudio", PULSE_SERVER=os.environ["PEERS_PULSE"])
                p = kestrel_play(track, env)
                w = main_window('peers.sh')
                time.sleep(1.5)
                stale = grab(w, time_rect)
                minimize(w)
            time.sleep(settle)
            c, s = measure(p.pid, who == "kestrel" and "minimized-%d" % run,
                           by_thread if who == "kestrel" else None)
            add(("min cpu", who), c)
            add(("min wake", who), s)
            if who == "kestrel":
                ms, stale_seen = restored_picture_ms(w, stale)
                add(("restore", who), ms)
                stale_pictures += stale_seen
            stop(p)
        stop(wm)

def median(key):
    values = samples.get(key)
    return statistics.median(values) if values else None

rows = [
    ("start to a mapped window, ms", "start", "audacious"),
    ("idle, window shown: CPU % of a core", "idle cpu", "audacious"),
    ("idle, window shown: wake-ups/s", "idle wake", "audacious"),
    ("playing the MP3: CPU %", "play cpu", "audacious"),
    ("playing the MP3: wake-ups/s", "play wake", "audacious"),
    ("playing the radio stream: CPU %", "radio cpu", "mpv"),
    ("playing the radio stream: wake-ups/s", "radio wake", "mpv"),
    ("proportional memory idle, MB", "pss", "audacious"),
    ("minimized, playing the MP3: CPU %", "min cpu", None),
    ("minimized, playing the MP3: wake-ups/s", "min wake", None),
    ("minimized, sound server: CPU %", "min cpu", "mpg123"),
    ("minimized, sound server: wake-ups/s", "min wake", "mpg123"),
    ("restored to a current picture, ms", "restore", None),
]
scaled = "kestrel@" + scale
if scale:
    rows += [
        (f"at {scale}x: start to a mapped window, ms", "start", "1x"),
        (f"at {scale}x: idle, window shown: CPU %", "idle cpu", "1x"),
        (f"at {scale}x: playing the MP3: CPU %", "play cpu", "1x"),
        (f"at {scale}x: playing the MP3: wake-ups/s", "play wake", "1x"),
        (f"at {scale}x: proportional memory idle, MB", "pss", "1x"),
    ]
print(f"medians of {runs} interleaved runs, {window:.0f} s windows; load before: {os.getloadavg()[0]:.2f}")
print(f"| {'measure':<38} | {'Kestrel':>8} | {'peer':>9} | {'peer value':>10} | {'ratio':>6} |")
print(f"|{'-' * 40}|{'-' * 10}|{'-' * 11}|{'-' * 12}|{'-' * 8}|")
for title, key, peer in rows:
    # A row at the density compares the player there with the player at 1x.
    if peer == "1x":
        k, q = median((key, scaled)), median((key, "kestrel"))
    else:
        k = median((key, "kestrel-pulse" if peer == "mpg123" else "kestrel"))
        q = median((key, peer)) if peer else None
    ratio = f"{k / q:.2f}" if k is not None and q else "—"
    fk = f"{k:.2f}" if k is not None else "—"
    fq = f"{q:.2f}" if q is not None else "—"
    print(f"| {title:<38} | {fk:>8} | {peer or '—':>9} | {fq:>10} | {ratio:>6} |")
if "minimized" in only:
    print(f"restored: a painted older picture seen before the current one in {stale_pictures} of {runs} runs")
    print("minimized on the dummy driver, wake-ups/s by thread (median over runs):")
    for name, values in sorted(by_thread.items(), key=lambda item: -statistics.median(item[1])):
        print(f"  {name:<32} {statistics.median(values):7.2f}")
server.shutdown()
PY
