"""What every user journey shares: a virtual X server with a real window
manager, the built player started in a temporary working folder, real mouse
and key events through xdotool, and the means to observe what a user would:
windows, files on disk, pixels on screen and the sound written to a WAV file.

A journey is a function taking a Journey; run(main) runs it, keeps a
screenshot and the program's output under the build folder when it fails,
and cleans up every process and file it started.
"""

import json
import math
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback

SOURCE_DIR = os.environ.get("KESTREL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BINARY_DIR = os.environ.get("KESTREL_BINARY_DIR", os.path.join(SOURCE_DIR, "build"))

# Where to click is what the program says of its own layout
# (kestrel-player --layout): the place of each control in each mode, so that
# a moved control moves its journeys with it.


def _layout():
    binary = os.path.join(BINARY_DIR, "kestrel-player")
    return json.loads(subprocess.run([binary, "--layout"], stdout=subprocess.PIPE, check=True).stdout)


LAYOUT = _layout()
WINDOW = LAYOUT["window"]


def control(name, mode="search", row_height=None):
    """A control of MainWindow where `mode` shows it, window-relative, as (x, y, w, h).
    For a list's clipping panel, `row_height` is its rows' height: its first row is at its top."""
    rect = tuple(LAYOUT["modes"][mode].get(name, ()))
    if not rect or not (0 <= rect[0] < WINDOW["width"] and 0 <= rect[1] < WINDOW["height"]):
        return None  # out of view there: a click on it fails the journey that needs it
    return rect + (row_height,) if row_height else rect


# Rows with 16-pixel icons are 18 pixels high, rows of text only 14.
SEARCH_FIELD = control("SearchField")
SEARCH_BUTTON = control("SearchButton")
RESULTS_PANEL = control("SearchResultsPanel", row_height=18)
PLAYLIST_PANEL = control("PlaylistPanel", row_height=18)
STYLE_PANEL = control("StylePanel", "radio", row_height=14)
STATION_PANEL = control("StationPanel", "radio", row_height=14)
LOCAL_FILES_PANEL = control("LocalFilesPanel", "mp3", row_height=18)
TITLE_HOTSPOT = control("TitleHotspot")
RECORD_BUTTON = control("RecordButton")
RADIO_MODE_BUTTON = control("RadioModeButton")
MP3_MODE_BUTTON = control("Mp3ModeButton")
PLAY_BUTTON = control("PlayButton")
PREVIOUS_BUTTON = control("PreviousButton")
NEXT_BUTTON = control("NextButton")
CLOSE_BUTTON = control("CloseButton")
OPEN_FOLDER_BUTTON = control("OpenFolderButton", "mp3")
ALBUM_PHOTO = control("AlbumPhoto", "mp3")[:2] + tuple(LAYOUT["albumPhoto"])  # the photo's size
# The spectrum's 108 bands, window-relative.
SPECTRUM = tuple(LAYOUT["spectrum"]["rect"])
# Inside the "+" icon column of the results.
RESULTS_ADD_ICON_X = sum(LAYOUT["iconColumns"]["add"]) // 2
MAIN_TITLE = "Поиск MP3"


class JourneyFailure(Exception):
    pass


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def row_point(panel, row, x_offset=100):
    """The point inside row `row` of a clipped list whose first row is at the panel's top."""
    x, y, _, _, height = panel
    return x + x_offset, y + row * height + height // 2


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(what, check, timeout=10.0, interval=0.1):
    """Polls check() until it returns a true value, which is returned; fails after `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise JourneyFailure("timed out waiting for: " + what)
        time.sleep(interval)


def make_mp3(path, hertz, seconds, artist=None, title=None):
    """A tone of `hertz` as an MP3 made by sox and lame, tagged in ID3v2 (UTF-16) when asked."""
    wav = path + ".wav"
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", str(seconds), "sine", str(hertz),
                    "vol", "0.5"], check=True, stderr=subprocess.DEVNULL)
    tags = ["--id3v2-only", "--id3v2-utf16"]
    if artist:
        tags += ["--ta", artist]
    if title:
        tags += ["--tt", title]
    subprocess.run(["lame", "--quiet", "-b", "128"] + tags + [wav, path], check=True)
    os.remove(wav)


def start_site(journey, folder):
    """kestrel-site over `folder`; returns its address, the first line it prints."""
    site = journey.spawn("site", [os.path.join(BINARY_DIR, "kestrel-site"), "--port", "0", folder],
                         stdout=subprocess.PIPE)
    if not select.select([site.stdout], [], [], 20)[0]:
        raise JourneyFailure("kestrel-site printed no address")
    address = site.stdout.readline().decode().strip()
    if not address.startswith("http://127.0.0.1:"):
        raise JourneyFailure("kestrel-site did not start: %r" % address)
    return address


def row_pixels(journey, panel, row):
    """The first 66 columns of row `row` of a list: left of the picture that covers the results until
    the first search."""
    x, y, _, _, height = panel
    return journey.region((x + 2, y + row * height + 2, 66, height - 4))


def row_shows(journey, panel, row):
    """Whether row `row` of a black list shows anything (icon, text or stripe)."""
    return any(row_pixels(journey, panel, row))


class Wav:
    """The player's live WAV output (16-bit stereo PCM, written as it plays)."""

    def __init__(self, path):
        self.path = path

    def _header(self):
        with open(self.path, "rb") as f:
            head = f.read(44)
        if len(head) < 44:
            return None
        return struct.unpack_from("<I", head, 24)[0]

    def frames(self):
        try:
            return max(0, (os.path.getsize(self.path) - 44) // 4)
        except OSError:
            return 0

    def rate(self):
        return self._header() or 44100

    def samples(self, start_frame, count):
        """Left-channel samples from `start_frame`, as floats in [-1, 1]."""
        with open(self.path, "rb") as f:
            f.seek(44 + 4 * start_frame)
            data = f.read(4 * count)
        n = len(data) // 4
        values = struct.unpack("<%dh" % (2 * n), data[:4 * n])
        return [values[2 * i] / 32768.0 for i in range(n)]

    def latest(self, count=4096):
        return self.samples(max(0, self.frames() - count), count)

    @staticmethod
    def loudness(samples):
        if not samples:
            return 0.0
        return math.sqrt(sum(s * s for s in samples) / len(samples))

    def tone(self, candidates, count=4096):
        """Which of the candidate frequencies the latest audio holds, or None when it is near silent."""
        samples = self.latest(count)
        if self.loudness(samples) < 0.02:
            return None
        rate = self.rate()
        best, best_power = None, 0.0
        for hertz in candidates:
            coeff = 2 * math.cos(2 * math.pi * hertz / rate)
            s1 = s2 = 0.0
            for v in samples:
                s1, s2 = v + coeff * s1 - s2, s1
            power = s1 * s1 + s2 * s2 - coeff * s1 * s2
            if power > best_power:
                best, best_power = hertz, power
        return best


class Journey:
    """One run of the player on its own virtual X server with openbox."""

    def __init__(self, name):
        self.name = name
        self.tmp = tempfile.mkdtemp(prefix="kestrel-journey-")
        self.work = os.path.join(self.tmp, "work")
        self.wav = Wav(os.path.join(self.tmp, "out.wav"))
        # The player sees none of the caller's own settings: no answered boxes,
        # no other site, no other display; the journey sets what it needs.
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith("KESTREL_") and k not in ("WAYLAND_DISPLAY", "DISPLAY")}
        self.env.update({"QT_QPA_PLATFORM": "xcb", "KESTREL_AUDIO_WAV": self.wav.path, "LANG": "C.UTF-8",
                         "XDG_CONFIG_HOME": os.path.join(self.tmp, "config"),
                         "XDG_CACHE_HOME": os.path.join(self.tmp, "cache"),
                         # the toolkit's and the sound client's runtime folders, removed with tmp
                         "XDG_RUNTIME_DIR": os.path.join(self.tmp, "runtime"),
                         # no session bus unless the journey starts one: a player there
                         # would take this journey's files
                         "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(self.tmp, "no-bus")})
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        self.children = []  # (name, Popen), stopped in reverse order
        self.player = None
        self.window = None
        self.origin = (0, 0)
        # Device pixels per skin pixel of the player's screen: points and
        # rectangles given in skin pixels land where the player draws them.
        self.scale = 1.0
        shutil.copytree(os.path.join(SOURCE_DIR, "data"), self.work)

    # -- processes -----------------------------------------------------------

    def spawn(self, name, args, **kwargs):
        log = open(os.path.join(self.tmp, name + ".log"), "wb")
        kwargs.setdefault("stdout", log)
        process = subprocess.Popen(args, env=self.env, stderr=log, start_new_session=True, **kwargs)
        self.children.append((name, process))
        return process

    def start_session_bus(self):
        """A private session bus for the player and everything the journey starts after it."""
        read, write = os.pipe()
        self.spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=%d" % write],
                   pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            self.env["DBUS_SESSION_BUS_ADDRESS"] = f.readline().strip()
        if not self.env["DBUS_SESSION_BUS_ADDRESS"]:
            raise JourneyFailure("dbus-daemon gave no address")

    def start_desktop(self, screen="1280x1024", white=False):
        """Xvfb on a free display (a white root window when asked), openbox managing it, Russian letters
        in its keymap."""
        read, write = os.pipe()
        self.spawn("xvfb", ["Xvfb", "-displayfd", str(write), "-screen", "0", screen + "x24", "-nolisten",
                            "tcp"] + (["-wr"] if white else []), pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            display = f.readline().strip()
        if not display:
            raise JourneyFailure("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        wait_until("Xvfb to answer on " + self.env["DISPLAY"], lambda: self.output(["xprop", "-root"]))
        # Under a heavy load openbox once ended at start, unable to open the
        # display; it is started again, at most three times.
        for attempt in range(1, 4):
            name = "openbox" if attempt == 1 else "openbox-%d" % attempt
            openbox = self.spawn(name, ["openbox", "--sm-disable"])
            wait_until("openbox to manage the screen",
                       lambda: openbox.poll() is not None or
                       "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.output(["xprop", "-root"]))
            if openbox.poll() is None:
                break
        else:
            with open(os.path.join(self.tmp, name + ".log"), errors="replace") as log:
                said = log.read().strip()
            xvfb = self.children[0][1]
            raise JourneyFailure("openbox ended at start three times on %s (status %d, Xvfb %s): %s" %
                                 (self.env["DISPLAY"], openbox.returncode,
                                  "running" if xvfb.poll() is None else "ended", said))
        # After openbox, which sets the keymap of its own when it starts.
        self._add_russian_keys()

    def _add_russian_keys(self):
        """Puts the Russian letters on spare keys of the keymap's first group. Otherwise xdotool
        rebinds a spare key for each letter, and the toolkit, which reloads its keymap after each
        change, reads some letters with a stale one and loses them."""
        keymap = os.path.join(self.tmp, "keymap.xkb")
        subprocess.run(["xkbcomp", "-w", "0", self.env["DISPLAY"], keymap], env=self.env, check=True)
        with open(keymap) as f:
            text = f.read()
        symbols = text.index("xkb_symbols")
        end = text.index("\n};", symbols)
        codes = {name: int(code) for name, code in re.findall(r"(<\w+>) = (\d+);", text[:symbols])}
        # Keys 120 and up hold function and multimedia keys, which no journey
        # presses; those bound to a modifier stay as they are.
        modifiers = re.findall(r"modifier_map \w+ \{([^}]*)\}", text[symbols:end])
        taken = {codes.get(name) for name in re.findall(r"<\w+>", " ".join(modifiers))}
        names = {}
        for name, code in codes.items():
            if 120 <= code <= 247 and code not in taken:
                names.setdefault(code, name)
        letters = [chr(c) for c in range(ord("а"), ord("я") + 1)] + ["ё"]
        chosen = [names[code] for code in sorted(names)][:len(letters)]
        body = text[symbols:end]
        for name in chosen:
            body = re.sub(r"\n\s*key %s\s*\{.*?\};" % re.escape(name), "", body, flags=re.S)
        keys = "".join("\n    key %s { [ U%04X, U%04X ] };" % (name, ord(letter), ord(letter.upper()))
                       for name, letter in zip(chosen, letters))
        text = text[:symbols] + body + keys + text[end:]
        with open(keymap, "w") as f:
            f.write(text)
        subprocess.run(["xkbcomp", "-w", "0", keymap, self.env["DISPLAY"]], env=self.env, check=True)

    def output(self, args):
        result = subprocess.run(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return result.stdout.decode("utf-8", "replace")

    def xdo(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True)

    def start_player(self, args=()):
        """Starts kestrel-player in the working folder (with `args` on its command line) and waits for
        its window."""
        binary = os.path.join(BINARY_DIR, "kestrel-player")
        self.player = self.spawn("player", [binary] + list(args), cwd=self.work)
        self.window = wait_until("the main window", lambda: self.find_window(MAIN_TITLE), timeout=20)
        self.refresh_origin()
        # Openbox maps the window before Qt has painted it; the skin's first
        # paint shows as its non-black pixels.
        wait_until("the skin to be painted", lambda: self.pixel(300, 12) != (0, 0, 0))
        return self.player

    def stop_player(self, by_signal=None):
        """Closes the program from its close button, as a user does, or by a signal (a logout, a closed
        terminal), and waits for it to end."""
        if by_signal:
            self.player.send_signal(by_signal)
        else:
            self.click(CLOSE_BUTTON)
        try:
            self.player.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise JourneyFailure("the program did not end after %s" % (by_signal or "its close button"))
        if self.player.returncode != 0:
            raise JourneyFailure("the program ended with status %d" % self.player.returncode)
        self.children = [c for c in self.children if c[1] is not self.player]
        self.player = None

    def player_windows(self):
        """Visible top-level windows of the program."""
        if not self.player:
            return []
        text = self.output(["xdotool", "search", "--onlyvisible", "--pid", str(self.player.pid)])
        return [w for w in text.split() if w]

    def is_tooltip(self, window):
        """Whether a window is a tooltip (a long row under the pointer shows one)."""
        return "_NET_WM_WINDOW_TYPE_TOOLTIP" in self.output(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"])

    def find_window(self, prefix):
        for w in self.player_windows():
            if self.output(["xdotool", "getwindowname", w]).startswith(prefix):
                return w
        return None

    def geometry(self, window=None):
        """A window's client area on the screen: x, y, width, height."""
        text = self.output(["xwininfo", "-id", window or self.window])
        values = dict(line.strip().split(": ", 1) for line in text.splitlines() if ": " in line)
        return tuple(int(values[key]) for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                                  "Height"))

    def refresh_origin(self):
        x, y, _, _ = self.geometry()
        self.origin = (x, y)

    def check_alive(self):
        if self.player and self.player.poll() is not None:
            raise JourneyFailure("the program ended with status %d" % self.player.returncode)

    # -- input ---------------------------------------------------------------

    def device(self, v):
        """Skin pixels to the player's device pixels, rounded as it rounds them."""
        return int(v * self.scale + 0.5)

    def move(self, x, y):
        self.xdo("mousemove", self.origin[0] + self.device(x), self.origin[1] + self.device(y))

    def click(self, where, button=1, double=False):
        """A click (or double click) at a window-relative point or the centre of a rectangle."""
        self.check_alive()
        if where is None:
            raise JourneyFailure("a control this journey needs is not in the register")
        x, y = centre(where[:4]) if len(where) >= 4 else where
        self.move(x, y)
        if double:
            self.xdo("click", "--repeat", 2, "--delay", 80, button)
        else:
            self.xdo("click", button)

    def click_in(self, window, where, button=1):
        """A click at a point (or a rectangle's centre) relative to another window of the program."""
        x, y = centre(where) if len(where) == 4 else where
        wx, wy, _, _ = self.geometry(window)
        self.xdo("mousemove", wx + self.device(x), wy + self.device(y))
        self.xdo("click", button)

    def type_text(self, text):
        """Types `text` key by key, each named by its Unicode keysym: xdotool finds every one of
        them in the keymap (see _add_russian_keys) and never rebinds a key while typing."""
        self.xdo("key", "--delay", 60, *("U%04X" % ord(c) for c in text))

    def key(self, *keys):
        self.xdo("key", "--delay", 60, *keys)

    def search(self, query, results, enter=False):
        """Replaces the search field's text with `query`, as a user does, presses "Поиск" (or Enter in
        the field) and waits until the results list shows `results` rows (and no more)."""
        self.click(SEARCH_FIELD)
        self.key("ctrl+a", "BackSpace")
        self.type_text(query)
        if enter:
            self.key("Return")
        else:
            self.click(SEARCH_BUTTON)
        wait_until("%d search results" % results, lambda: row_shows(self, RESULTS_PANEL, results - 1), timeout=15)
        if row_shows(self, RESULTS_PANEL, results):
            raise JourneyFailure("the search found more than %d tracks" % results)

    def answer_box(self, known, timeout=15):
        """Waits for a window of the program that is not in `known` (a message box), presses Enter
        in it, and waits for it to close. Returns its caption."""
        box = wait_until("a message box", lambda: next((w for w in self.player_windows()
                                                        if w not in known and not self.is_tooltip(w)), None),
                         timeout=timeout)
        caption = self.output(["xdotool", "getwindowname", box]).strip()
        self.xdo("windowactivate", "--sync", box)
        self.key("Return")
        wait_until("the message box to close", lambda: box not in self.player_windows())
        return caption

    # -- what the user sees --------------------------------------------------

    def step(self, name):
        """Keeps a screenshot of a step when KESTREL_JOURNEY_STEPS names a folder, to look at."""
        folder = os.environ.get("KESTREL_JOURNEY_STEPS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            self.screenshot(os.path.join(folder, "%s-%s.png" % (self.name, name)))

    def screenshot(self, path):
        if "DISPLAY" in self.env:
            subprocess.run(["import", "-window", "root", path], env=self.env, stderr=subprocess.DEVNULL)

    def pixel(self, x, y):
        """The colour at a window-relative point, as (r, g, b)."""
        data = self.region((x, y, 1, 1))
        return tuple(data[:3]) if len(data) >= 3 else None

    def region(self, rect):
        """The raw RGB bytes of a window-relative rectangle (skin pixels), in device pixels."""
        ox, oy = self.origin
        x, y, w, h = rect
        x, y, w, h = self.device(x), self.device(y), self.device(x + w) - self.device(x), \
            self.device(y + h) - self.device(y)
        return subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, ox + x, oy + y),
                               "-depth", "8", "rgb:-"], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout

    def wait_for_sound(self, candidates, hertz, what, timeout=15):
        """Waits until the sound written lately is the tone `hertz` (one of `candidates`)."""
        def heard():
            self.check_alive()
            return self.wav.tone(candidates) == hertz
        wait_until(what, heard, timeout=timeout, interval=0.2)

    # -- end -----------------------------------------------------------------

    def evidence_folder(self):
        artefacts = os.environ.get("KESTREL_JOURNEY_ARTEFACTS", os.path.join(BINARY_DIR, "journey-artefacts"))
        return os.path.join(artefacts, self.name)

    def keep_evidence(self):
        """A screenshot and the logs of every process, kept where ctest's user finds them."""
        folder = self.evidence_folder()
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.screenshot(os.path.join(folder, "screen.png"))
        for name, _ in self.children:
            log = os.path.join(self.tmp, name + ".log")
            if os.path.exists(log):
                shutil.copy(log, folder)
        if os.path.exists(self.wav.path):  # what the player was heard to play
            shutil.copy(self.wav.path, folder)
        return folder

    def close(self):
        for _, process in reversed(self.children):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait()
        self.children = []
        shutil.rmtree(self.tmp, ignore_errors=True)


def run(main, **desktop):
    """Runs one journey on a desktop made as start_desktop makes it with `desktop`; exit status 0 when
    it passed."""
    name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    journey = Journey(name)
    try:
        journey.start_desktop(**desktop)
        main(journey)
        shutil.rmtree(journey.evidence_folder(), ignore_errors=True)
        print("%s: passed" % name)
        return 0
    except Exception as failure:  # a failing step of any kind keeps its evidence
        traceback.print_exc()
        folder = journey.keep_evidence()
        print("%s: FAILED: %s (screenshot and logs in %s)" % (name, failure, folder))
        return 1
    finally:
        journey.close()
