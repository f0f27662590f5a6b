#!/usr/bin/env python3
"""Density: at 150 % on X11 each mode of the window, a lit button and the
outline are the skin's SVG sources rendered at 150 %, with no key-colour
pixel and no edge pixel blended with the desktop; clicks, hover and a drag
land as at 100 %. Without librsvg the window still shows its skin, scaled,
after one warning. At 200 % on Wayland (Weston) the window is the sources
rendered at 200 %, the desktop showing through the cut pixels."""

import os
import shutil
import signal
import subprocess
import tempfile

from journey import (BINARY_DIR, MP3_MODE_BUTTON, RADIO_MODE_BUTTON, SOURCE_DIR, SPECTRUM, TITLE_HOTSPOT, WINDOW,
                     JourneyFailure, control, run, wait_until)

SVG = os.path.join(SOURCE_DIR, "src", "resources", "svg")
KEY = (32, 254, 2)
WHITE = (255, 255, 255)
WESTON_DESKTOP = (0x30, 0x60, 0xa0)
# What is not skin: the controls that show something of their own, with the
# size of what they show where the layout gives none.
NOT_SKIN = {"SearchField": None, "SearchResultsPanel": None, "PlaylistPanel": None, "StylePanel": None,
            "StationPanel": None, "LocalFilesPanel": None, "StatusStrip": None, "TimeDisplay": (45, 15),
            "VolumeBar": None, "ConnectionIndicator": None, "PositionBar": (700, 3),
            "SearchPicture": (290, 220), "RadioPicture": (235, 210), "AlbumPhoto": (270, 210)}
# The skin's mode buttons, which tell the modes apart.
MODE_BUTTONS = (585, 23, 121, 31)


def device(v, scale):
    return int(v * scale + 0.5)


def rendered(sheet, scale, keyed, area=None):
    """The document `sheet` rendered at `scale` as render.sh renders it: a skin keyed, anything else on
    black; `area` (skin pixels) cut from it. Returns (width, height, RGB bytes)."""
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "render.png")
        subprocess.run(["rsvg-convert", "--zoom", str(scale), os.path.join(SVG, sheet + ".svg"), "-o", png],
                       check=True)
        finish = ["-channel", "A", "-threshold", "50%", "+channel", "-background", "rgb(32,254,2)"] if keyed \
            else ["-background", "black"]
        cut = []
        if area:
            x, y, w, h = area
            cut = ["-crop", "%dx%d+%d+%d" % (device(x + w, scale) - device(x, scale),
                                             device(y + h, scale) - device(y, scale), device(x, scale),
                                             device(y, scale)), "+repage"]
        args = ["convert", png] + finish + ["-flatten"] + cut
        size = subprocess.run(args + ["-format", "%w %h", "info:"], stdout=subprocess.PIPE, check=True)
        w, h = (int(v) for v in size.stdout.split())
        return w, h, subprocess.run(args + ["-depth", "8", "rgb:-"], stdout=subprocess.PIPE, check=True).stdout


def not_skin(mode, scale):
    """The device rectangles of a mode that show controls and pictures rather than the skin, a device
    pixel wider on each side (their edges fall between device pixels)."""
    rects = []
    for name, size in NOT_SKIN.items():
        rect = control(name, mode)
        if rect:
            rects.append(rect[:2] + (size or rect[2:4]))
    rects.append(SPECTRUM)
    return [(device(x, scale) - 1, device(y, scale) - 1, device(x + w, scale) + 1, device(y + h, scale) + 1)
            for x, y, w, h in rects]


def compare(shot, reference, desktop, skip=()):
    """How a capture of the window (w, h, RGB) differs from the reference: the mean absolute difference
    over the skin's pixels, the share of them off by more than 48 in a channel, the pixels the outline
    leaves that do not show the desktop exactly, and the pixels anywhere near the key colour."""
    w, h, got = shot
    rw, rh, want = reference
    # The toolkit rounds a window's half device pixel down, the renderer up.
    if abs(w - rw) > 1 or abs(h - rh) > 1:
        raise JourneyFailure("the window is %dx%d device pixels, its skin rendered %dx%d" % (w, h, rw, rh))
    total = count = far = outline = keyish = 0
    for y in range(min(h, rh)):
        spans = [(x0, x1) for x0, y0, x1, y1 in skip if y0 <= y < y1]
        for x in range(min(w, rw)):
            p, q = got[3 * (y * w + x):3 * (y * w + x) + 3], want[3 * (y * rw + x):3 * (y * rw + x) + 3]
            if abs(p[0] - KEY[0]) + abs(p[1] - KEY[1]) + abs(p[2] - KEY[2]) < 90:
                keyish += 1
            if tuple(q) == KEY:
                outline += tuple(p) != desktop
                continue
            if any(x0 <= x < x1 for x0, x1 in spans):
                continue
            d = (abs(p[0] - q[0]), abs(p[1] - q[1]), abs(p[2] - q[2]))
            total += sum(d)
            count += 3
            far += max(d) > 48
    return total / max(count, 1), 3.0 * far / max(count, 1), outline, keyish


def expect_skin(what, shot, reference, desktop, skip=(), mad=1.0):
    mean, far, outline, keyish = compare(shot, reference, desktop, skip)
    print("%s: mean difference %.2f, %.3f %% far off, %d outline pixels wrong, %d near the key colour" %
          (what, mean, 100 * far, outline, keyish))
    if mean > mad or far > 0.002 or outline or keyish:
        raise JourneyFailure("%s is not its skin drawn at the screen's density" % what)


def window_shot(j):
    """The window's device pixels as the screen shows them."""
    ox, oy, w, h = j.geometry()
    return w, h, subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, ox, oy), "-depth",
                                 "8", "rgb:-"], env=j.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                check=True).stdout


def switch(j, button):
    """Clicks a mode button and waits, the pointer away, until the skin's mode buttons have changed."""
    j.move(200, 200)
    before = j.region(MODE_BUTTONS)
    j.click(button)
    j.move(200, 200)
    wait_until("the mode to change", lambda: j.region(MODE_BUTTONS) != before, timeout=10)


def x11_at(j, scale):
    j.scale = scale
    j.env["QT_SCALE_FACTOR"] = str(scale)
    j.start_player()
    j.move(200, 200)
    expect_skin("search mode at %g" % scale, window_shot(j), rendered("search_skin", scale, True), WHITE,
                not_skin("search", scale))
    # Each mode button leads to its mode and, pressed there, back to search mode.
    for mode, button in (("radio", RADIO_MODE_BUTTON), ("mp3", MP3_MODE_BUTTON)):
        switch(j, button)
        j.step(mode)
        expect_skin("%s mode at %g" % (mode, scale), window_shot(j), rendered(mode + "_skin", scale, True), WHITE,
                    not_skin(mode, scale))
        switch(j, button)
    # Hover: the lit button is the sheet of lit buttons at its place.
    j.move(RADIO_MODE_BUTTON[0] + 20, RADIO_MODE_BUTTON[1] + 10)
    j.move(RADIO_MODE_BUTTON[0] + 21, RADIO_MODE_BUTTON[1] + 11)
    lit = rendered("search_lit", scale, False, RADIO_MODE_BUTTON[:4])
    wait_until("the lit РАДИО button",
               lambda: compare(lit[:2] + (j.region(RADIO_MODE_BUTTON[:4]),), lit, WHITE)[0] < 1.0, timeout=10)
    # A drag on the free skin moves the window as far as the pointer moves,
    # once the program has taken the press as the start of a drag.
    x, y, _, _ = j.geometry()
    j.move(300, 12)
    j.xdo("mousedown", 1)

    def started():
        j.xdo("mousemove_relative", "--sync", 2, 1)
        return j.geometry()[:2] != (x, y)

    wait_until("the drag to start", started)

    def settled():
        first = j.geometry()[:2]
        return first if j.geometry()[:2] == first else None

    x, y = wait_until("the window to follow the pointer", settled)
    j.xdo("mousemove_relative", "--sync", 20, 15)
    j.xdo("mousemove_relative", "--sync", 20, 15)
    j.xdo("mouseup", 1)
    wait_until("the window to move with the drag", lambda: j.geometry()[:2] == (x + 40, y + 30))
    j.refresh_origin()
    # Compact mode: the strip alone, cut as finely.
    j.click(TITLE_HOTSPOT, button=3)
    strip = WINDOW["compactHeight"]
    # The toolkit rounds a half device pixel either way.
    wait_until("compact mode", lambda: abs(j.geometry()[3] - strip * scale) < 1)
    j.move(200, 50)
    expect_skin("compact mode at %g" % scale, window_shot(j), rendered("compact_skin", scale, True), WHITE,
                not_skin("search", scale))
    j.click(TITLE_HOTSPOT, button=3)
    wait_until("the whole window", lambda: abs(j.geometry()[3] - WINDOW["height"] * scale) < 1)
    j.stop_player()


def without_librsvg(j):
    """A library of librsvg's name that is none: the carried picture, scaled, after one warning."""
    fake = os.path.join(j.tmp, "fake-rsvg")
    os.makedirs(fake)
    source = os.path.join(fake, "empty.c")
    with open(source, "w") as f:
        f.write("int not_librsvg;\n")
    subprocess.run(["cc", "-shared", "-fPIC", "-o", os.path.join(fake, "librsvg-2.so.2"), source], check=True)
    j.env["LD_LIBRARY_PATH"] = fake
    j.start_player()
    j.move(200, 200)
    shot = window_shot(j)
    mean, _, _, keyish = compare(shot, rendered("search_skin", j.scale, True), WHITE, not_skin("search", j.scale))
    print("scaled from 1x: mean difference %.2f, %d pixels near the key colour" % (mean, keyish))
    if mean > 8 or keyish:
        raise JourneyFailure("without librsvg the window does not show its skin scaled")
    j.stop_player()
    del j.env["LD_LIBRARY_PATH"]
    with open(os.path.join(j.tmp, "player.log"), errors="replace") as log:
        warnings = [line for line in log if "SVG" in line]
    if len(warnings) != 1:
        raise JourneyFailure("expected one warning without librsvg, got %r" % warnings)


def rgb_of(png):
    """(width, height, RGB bytes) of a PNG file."""
    size = subprocess.run(["convert", png, "-format", "%w %h", "info:"], stdout=subprocess.PIPE, check=True)
    w, h = (int(v) for v in size.stdout.split())
    return w, h, subprocess.run(["convert", png, "-depth", "8", "rgb:-"], stdout=subprocess.PIPE,
                                check=True).stdout


def box(picture, background):
    """The box of an outlined window in a picture: the band of rows mostly not `background`, and the
    columns not `background` on that band's middle row."""
    w, h, data = picture
    rows = [y for y in range(h)
            if sum(tuple(data[3 * (y * w + x):3 * (y * w + x) + 3]) != background for x in range(0, w, 4)) > 75]
    if not rows:
        return None
    middle = (rows[0] + rows[-1]) // 2
    columns = [x for x in range(w) if tuple(data[3 * (middle * w + x):3 * (middle * w + x) + 3]) != background]
    return columns[0], rows[0], columns[-1] + 1 - columns[0], rows[-1] + 1 - rows[0]


def crop(picture, x, y, w, h):
    pw, _, data = picture
    return w, h, b"".join(data[3 * ((y + r) * pw + x):3 * ((y + r) * pw + x + w)] for r in range(h))


def wayland_at(j, scale):
    """The player on a headless Weston whose output is at `scale`, captured by Weston itself."""
    runtime = os.path.join(j.tmp, "weston-runtime")
    os.makedirs(runtime, mode=0o700)
    config = os.path.join(j.tmp, "weston.ini")
    with open(config, "w") as f:
        f.write("[core]\nidle-time=0\n[shell]\nbackground-color=0xff3060a0\npanel-position=none\n")
    socket = "kestrel-density-%d" % os.getpid()
    x11_env = j.env
    j.env = dict(x11_env, XDG_RUNTIME_DIR=runtime)
    j.env.pop("DISPLAY", None)
    j.env.pop("QT_SCALE_FACTOR", None)
    weston = j.spawn("weston", ["weston", "--socket=" + socket, "--config=" + config, "--debug",
                                "--backend=headless-backend.so", "--use-pixman", "--width=1000",
                                "--height=600", "--scale=%g" % scale])
    try:
        wait_until("Weston", lambda: os.path.exists(os.path.join(runtime, socket)) or weston.poll() is not None)
        if weston.poll() is not None:
            raise JourneyFailure("Weston could not start")
        j.env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")
        j.scale = scale
        j.player = j.spawn("player", [os.path.join(BINARY_DIR, "kestrel-player")], cwd=j.work)
        reference = rendered("search_skin", scale, True)
        want = box(reference, KEY)
        shots = os.path.join(j.tmp, "shots")

        def capture():
            shutil.rmtree(shots, ignore_errors=True)
            os.makedirs(shots)
            subprocess.run(["weston-screenshooter"], cwd=shots, env=j.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            files = os.listdir(shots)
            return rgb_of(os.path.join(shots, files[0])) if files else None

        def composed():
            shot = capture()
            found = shot and box(shot, WESTON_DESKTOP)
            return (shot, found) if found and found[2:] == want[2:] else None

        shot, found = wait_until("the window composed at %g" % scale, composed, timeout=20)
        x, y = found[0] - want[0], found[1] - want[1]
        expect_skin("search mode on Wayland at %g" % scale, crop(shot, x, y, reference[0], reference[1]),
                    reference, WESTON_DESKTOP, not_skin("search", scale))
        j.stop_player(signal.SIGTERM)
    finally:
        weston.terminate()
        weston.wait(timeout=10)
        j.children = [c for c in j.children if c[1] is not weston]
        j.env = x11_env
        j.scale = 1.0


def main(j):
    x11_at(j, 1.5)
    without_librsvg(j)
    wayland_at(j, 2)


if __name__ == "__main__":
    raise SystemExit(run(main, screen="1600x1000", white=True))
