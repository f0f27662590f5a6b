#!/usr/bin/env python3
"""The player among the desktop's other programs, on a session bus of its own. An
unknown option is refused with exit status 2. A start with nothing it can open
says why and ends with status 1. Started with a file, it opens mp3 mode on
that file's folder and plays it. A second start with a folder hands it over
and ends at once: one window, the folder's file playing. A second start naming
a missing file says so in the status strip and leaves the sound alone. An http
address joins the playlist and plays. A file dragged from another program and
dropped on the window plays. A later start beside a player that does not
answer ends after a bounded wait, with no second window; the player opens
the file once it goes on. The window manager's close (Alt+F4) ends the
player as its close button does, keeping the playlist the address joined; a
start again finds it there."""

import os
import signal
import subprocess
import sys
import time
import urllib.request

from journey import (LOCAL_FILES_PANEL, MAIN_TITLE, JourneyFailure, centre, control, free_port, make_mp3, run,
                     wait_until)

TONES = {"first": 440, "second": 660, "dropped": 880, "streamed": 550}
STATUS_STRIP = control("StatusStrip")
PLAYER = os.path.join(os.environ.get("KESTREL_BINARY_DIR", ""), "kestrel-player")


def start_again(j, *args, cwd=None):
    """A later start of the program, as a file manager's "Open with" makes it; returns its status."""
    later = subprocess.run([PLAYER] + list(args), env=j.env, cwd=cwd or j.tmp, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=20)
    return later.returncode, later.stdout.decode("utf-8", "replace")


def answers(address):
    try:
        with urllib.request.urlopen(urllib.request.Request(address, method="HEAD"), timeout=2):
            return True
    except OSError:
        return False


def main_windows(j):
    return j.output(["xdotool", "search", "--onlyvisible", "--name", MAIN_TITLE]).split()


def drop(j, path, where):
    """Drags `path` from another program's window onto a point of the player's window with the real
    pointer, over the X drag-and-drop protocol."""
    source = j.spawn("drag", [os.path.join(os.path.dirname(PLAYER), "kestrel-drag-source"), path],
                     stdout=subprocess.PIPE)
    window = wait_until("the drag source's window", lambda: j.output(
        ["xdotool", "search", "--onlyvisible", "--name", "drag source"]).split())[0]
    x, y, w, h = j.geometry(window)
    j.xdo("mousemove", "--sync", x + w // 2, y + h // 2)
    j.xdo("mousedown", 1)
    target = (j.origin[0] + where[0], j.origin[1] + where[1])
    # The pointer goes there in steps; each is a position the protocol reports and the window answers.
    for step in range(1, 11):
        j.xdo("mousemove", "--sync", x + (target[0] - x) * step // 10, y + (target[1] - y) * step // 10)
    for nudge in range(4):
        j.xdo("mousemove", "--sync", target[0] + nudge, target[1])
    j.xdo("mouseup", 1)
    said = source.stdout.readline().decode().strip()
    if said != "dropped":
        raise JourneyFailure("the player did not take the drop (%r)" % said)


def main(j):
    j.start_session_bus()  # the one the single instance is found on
    files = {}
    for name, hertz in TONES.items():
        folder = os.path.join(j.tmp, name.capitalize())
        os.makedirs(folder)
        files[name] = os.path.join(folder, "%s песня.mp3" % name)
        make_mp3(files[name], hertz, 20)
    tones = TONES.values()

    # An option it does not know is refused with the usage, not taken for a file.
    status, said = start_again(j, "--no-such-option", files["first"])
    if status != 2 or "Usage: kestrel-player" not in said or main_windows(j):
        raise JourneyFailure("an unknown option ended with status %d: %s" % (status, said))

    # With no player running, a start with nothing it can open says why and ends.
    os.makedirs(os.path.join(j.tmp, "Пустая"))
    status, said = start_again(j, "Пустая", os.path.join(j.work, "inet_radio.pls"), "ftp://127.0.0.1/a.mp3")
    if status != 1 or said.count("kestrel-player: ") != 3 or main_windows(j):
        raise JourneyFailure("a start with nothing to open ended with status %d: %s" % (status, said))

    # Started with a file: mp3 mode on its folder, the file playing.
    j.start_player([files["first"]])
    j.wait_for_sound(tones, TONES["first"], "the file named on the command line to play")
    j.step("1-started-with-a-file")

    # Started again with a folder, named from where it was started: the
    # running player takes it, plays its first file, and the later start ends.
    status, said = start_again(j, "Second")
    if status != 0:
        raise JourneyFailure("the later start ended with status %d: %s" % (status, said))
    j.wait_for_sound(tones, TONES["second"], "the handed-over file to play")
    if len(main_windows(j)) != 1:
        raise JourneyFailure("%d player windows after the later start" % len(main_windows(j)))
    j.step("2-handed-over")

    # A missing file: the strip says so, the sound goes on, the later start did its job.
    strip = j.region(STATUS_STRIP)
    status, said = start_again(j, "нет такого.mp3")
    if status != 0:
        raise JourneyFailure("the later start with a missing file ended with status %d: %s" % (status, said))
    wait_until("the status strip to name the missing file", lambda: j.region(STATUS_STRIP) != strip)
    j.wait_for_sound(tones, TONES["second"], "the sound to go on after a missing file")
    j.step("3-missing-file")

    # An address joins the playlist and plays as a stream.
    port = free_port()
    j.spawn("http", [sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory",
                     os.path.dirname(files["streamed"])])
    address = "http://127.0.0.1:%d/%s" % (port, urllib.request.pathname2url(os.path.basename(files["streamed"])))
    wait_until("the web server", lambda: answers(address))
    status, said = start_again(j, address)
    if status != 0:
        raise JourneyFailure("the later start with an address ended with status %d: %s" % (status, said))
    j.wait_for_sound(tones, TONES["streamed"], "the address to play")

    # A file dragged from another program onto the window plays.
    drop(j, files["dropped"], centre(LOCAL_FILES_PANEL[:4]))
    j.wait_for_sound(tones, TONES["dropped"], "the dropped file to play")
    j.step("4-dropped")

    # A running player that does not answer (here stopped) is waited for a
    # bounded time; then the later start ends without a second player,
    # which would write the same files. The files handed over open once the
    # player answers again, as the later start said.
    os.kill(j.player.pid, signal.SIGSTOP)
    try:
        began = time.monotonic()
        status, said = start_again(j, files["first"])
        waited = time.monotonic() - began
    finally:
        os.kill(j.player.pid, signal.SIGCONT)
    if status != 1 or "did not answer" not in said or waited > 10 or len(main_windows(j)) != 1:
        raise JourneyFailure("a later start beside a stopped player: status %d after %.1f s, %d windows: %s"
                             % (status, waited, len(main_windows(j)), said))
    j.wait_for_sound(tones, TONES["first"], "the files handed to the stopped player to open once it goes on")

    # The window manager's close ends the player as its close button does:
    # status 0, and the playlist the address joined is kept.
    j.xdo("windowactivate", "--sync", j.window)
    j.key("alt+F4")
    try:
        j.player.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise JourneyFailure("Alt+F4 did not end the player")
    if j.player.returncode != 0:
        raise JourneyFailure("the player ended with status %d after Alt+F4" % j.player.returncode)
    with open(os.path.join(j.work, "inet_radio.pls"), "rb") as f:
        if address.encode() not in f.read():
            raise JourneyFailure("the playlist lost the address at the desktop's close")
    j.children = [c for c in j.children if c[1] is not j.player]

    # Started again, from the menu: one window. (The playlist journey checks
    # that volume, mute and the window's place come back.)
    j.start_player()
    j.step("5-started-again")
    j.stop_player()


if __name__ == "__main__":
    sys.exit(run(main))
