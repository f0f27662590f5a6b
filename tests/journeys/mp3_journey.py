#!/usr/bin/env python3
"""mp3 mode: the real open dialog shows a folder's audio files and one is
picked from its list; it plays, the folder's photo shows, and when it ends
the next files in name order play, past a damaged MIDI file: a FLAC and an
Ogg file, then "10 …" after "5 …". Paused, the spectrum the refresh drew straight to the
screen matches the window's own paint of it after compact mode. A FIFO, a
socket and a device named ".mp3" are listed, and choosing one says so
without holding the window. A folder with only a "Cover.JPG" shows that,
in its own shape inside the photo's frame."""

import os
import random
import socket
import struct
import subprocess
import sys

from journey import (ALBUM_PHOTO, LOCAL_FILES_PANEL, MP3_MODE_BUTTON, OPEN_FOLDER_BUTTON, PLAY_BUTTON, TITLE_HOTSPOT,
                     JourneyFailure, centre, control, make_mp3, row_point, row_shows, run, wait_until)

# Names whose directory (hash) order, byte order and name order all differ.
TRACKS = {"1 Один.mp3": 300, "2 Два.mp3": 420, "4 Четыре.flac": 900, "5 Пять.ogg": 1020, "10 Десять.mp3": 540,
          "11 одиннадцать.mp3": 660, "20 Двадцать.mp3": 780}
SHORT = ("2 ", "4 ", "5 ")  # these last 3 s, the others 8 s
COVER_COLOUR = (0, 0, 220)
PHOTO_COLOUR = (0, 200, 0)
# The spectrum's bands, which the window paints itself, and the skin around them.
SPECTRUM = (340, 26, 230, 24)
STATUS_STRIP = control("StatusStrip")
# Named like tracks, listed after them; none is a file to read.
NOT_FILES = ("99 канал.mp3", "99 сокет.mp3", "99 устройство.mp3")


def held_still(j, rect):
    """What the screen shows at `rect` once two looks in a row agree."""
    last = [None]

    def same():
        now = j.region(rect)
        held = now if now == last[0] else None
        last[0] = now
        return held
    return wait_until("the screen to hold still", same, interval=0.3)


def make_track(path, hertz, seconds):
    """A tone in the format the name's extension says (sox writes FLAC and Ogg Vorbis itself)."""
    if path.endswith(".mp3"):
        make_mp3(path, hertz, seconds)
    else:
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", path, "synth", str(seconds), "sine", str(hertz),
                        "vol", "0.5"], check=True, stderr=subprocess.DEVNULL)


def choose_in_dialog(j, main_windows, folder, typed, step):
    """Opens the dialog, goes to `folder` through its file name field, selects the file whose name
    begins with `typed` in its list and opens it."""
    j.click(OPEN_FOLDER_BUTTON)
    dialog = wait_until("the open dialog", lambda: next((w for w in j.player_windows() if w not in main_windows),
                                                        None))
    j.xdo("windowactivate", "--sync", dialog)
    # The file name field has the focus: a folder typed there opens it.
    j.type_text(folder + "/")
    j.key("Return")
    j.step(step + "-dialog-folder")
    # Into the file list, where typed letters select a file; Enter opens it.
    j.key("shift+Tab")
    j.type_text(typed)
    j.step(step + "-dialog-picked")
    j.key("Return")
    wait_until("the dialog to close", lambda: dialog not in j.player_windows())


def main(j):
    album = os.path.join(j.tmp, "Альбом")
    os.makedirs(album)
    for name, hertz in TRACKS.items():
        make_track(os.path.join(album, name), hertz, 3 if name.startswith(SHORT) else 8)
    # A MIDI header and a track of random bytes, nearly as large as the
    # player takes: its open is slow and then fails (or plays nothing), and
    # the advance goes on past it.
    noise = random.Random(7).randbytes(15 << 20)
    with open(os.path.join(album, "3 Три.mid"), "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(noise)) + noise)
    os.mkfifo(os.path.join(album, NOT_FILES[0]))
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(os.path.join(album, NOT_FILES[1]))
    os.symlink("/dev/zero", os.path.join(album, NOT_FILES[2]))
    subprocess.run(["convert", "-size", "270x210", "xc:rgb%r" % (PHOTO_COLOUR,), os.path.join(album, "яяя.jpg")],
                   check=True)
    j.start_player()
    main_windows = j.player_windows()
    silent = held_still(j, SPECTRUM)

    j.click(MP3_MODE_BUTTON)
    choose_in_dialog(j, main_windows, album, "2", "1")

    j.wait_for_sound(TRACKS.values(), TRACKS["2 Два.mp3"], "the picked file to play")
    if not all(row_shows(j, LOCAL_FILES_PANEL, r) for r in range(len(TRACKS))):
        raise JourneyFailure("the folder's files are not all listed")
    def photo_shows():
        photo = j.pixel(*centre(ALBUM_PHOTO))
        return photo and max(abs(a - b) for a, b in zip(photo, PHOTO_COLOUR)) <= 30
    wait_until("the folder's photo to show where the dialog was", photo_shows, timeout=5)
    j.step("3-playing")
    for name in ("4 Четыре.flac", "5 Пять.ogg", "10 Десять.mp3"):
        j.wait_for_sound(TRACKS.values(), TRACKS[name], "the next file in name order to play: " + name)

    # The refresh draws the bands straight to the screen, over the skin,
    # until the pause takes them down; the full window back from compact
    # mode is painted whole by the toolkit.
    wait_until("the spectrum to show the tone", lambda: j.region(SPECTRUM) != silent)
    j.click(PLAY_BUTTON)
    drawn = held_still(j, SPECTRUM)
    j.click(TITLE_HOTSPOT, button=3)
    wait_until("compact mode", lambda: j.geometry()[3] == 83)
    j.click(TITLE_HOTSPOT, button=3)
    wait_until("the full window", lambda: j.geometry()[3] == 400)
    if held_still(j, SPECTRUM) != drawn:
        j.step("4-spectrum-repainted")
        raise JourneyFailure("the spectrum drawn by the refresh differs from the window's own paint of it")

    # Each of them, chosen, says so in the status strip: a window held by its
    # open would never show it.
    first = len(TRACKS) + 1  # after the tracks and the MIDI file
    for row in range(first, first + len(NOT_FILES)):
        strip = j.region(STATUS_STRIP)
        j.click(row_point(LOCAL_FILES_PANEL, row), double=True)
        wait_until("the status strip to speak of row %d" % row, lambda: j.region(STATUS_STRIP) != strip, timeout=5)
    j.step("5-not-a-file")

    # A folder whose only picture is a wide "Cover.JPG": it shows centred,
    # the frame's top and bottom left to the skin.
    covered = os.path.join(j.tmp, "Обложка")
    os.makedirs(covered)
    make_mp3(os.path.join(covered, "Песня.mp3"), 300, 8)
    subprocess.run(["convert", "-size", "540x300", "xc:rgb%r" % (COVER_COLOUR,), os.path.join(covered, "Cover.JPG")],
                   check=True)
    choose_in_dialog(j, main_windows, covered, "П", "6")
    x, y, w, h = ALBUM_PHOTO

    def near(colour, want):
        return colour and max(abs(a - b) for a, b in zip(colour, want)) <= 30
    wait_until("the cover to show", lambda: near(j.pixel(x + w // 2, y + h // 2), COVER_COLOUR), timeout=5)
    j.step("7-cover")
    for edge in (y + 10, y + h - 10):
        if near(j.pixel(x + w // 2, edge), COVER_COLOUR):
            raise JourneyFailure("the wide cover is stretched to the frame's height")
    j.stop_player()
    listener.close()


if __name__ == "__main__":
    sys.exit(run(main))
