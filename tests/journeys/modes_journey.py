#!/usr/bin/env python3
"""Modes: previous and next step through the search results that play;
after mp3 mode, radio mode and back to search, Record still saves the
selected row; a mode button pressed in compact mode leaves a skin that
matches the controls when compact mode ends."""

import os
import subprocess
import sys

from journey import (MP3_MODE_BUTTON, NEXT_BUTTON, PREVIOUS_BUTTON, RADIO_MODE_BUTTON, RECORD_BUTTON, RESULTS_PANEL,
                     SOURCE_DIR, TITLE_HOTSPOT, JourneyFailure, control, make_mp3, row_point, run, start_site,
                     wait_until)

TONES = (330, 550, 770)
# Regions that tell the layouts apart: the mode buttons are drawn by the
# skin; the lower right shows the radio picture in radio mode and the
# playlist's empty rows in search mode.
SKIN_PART = (585, 23, 121, 31)
CONTROL_PART = (480, 290, 200, 20)
RADIO_PICTURE = control("RadioPicture", "radio")[:2] + (235, 210)  # the picture's size


def shows_picture(j, rect, path):
    """Whether the screen at `rect` shows the picture file `path` as it is."""
    want = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], stdout=subprocess.PIPE, check=True).stdout
    got = j.region(rect)
    return len(got) == len(want) and sum(abs(a - b) for a, b in zip(got, want)) <= len(want)


def layout(j):
    return j.region(SKIN_PART), j.region(CONTROL_PART)


def new_layout(j, old):
    """Waits until the layout differs from `old` and holds still between two looks; returns it."""
    last = [None]

    def settled():
        now = layout(j)
        still = now if now != old and now == last[0] else None
        last[0] = now
        return still
    return wait_until("the layout to change", settled)


def main(j):
    music = os.path.join(j.tmp, "music")
    os.makedirs(music)
    originals = []
    for n, hertz in enumerate(TONES):
        path = os.path.join(music, "%d.mp3" % n)
        make_mp3(path, hertz, 20, "Тон", "Номер %d" % n)
        with open(path, "rb") as f:
            originals.append(f.read())
    j.env["KESTREL_SITE_URL"] = start_site(j, music)
    j.start_player()
    main_windows = j.player_windows()

    j.search("тон", results=3)
    j.click(row_point(RESULTS_PANEL, 0), double=True)
    first = wait_until("a result to play", lambda: j.wav.tone(TONES), timeout=15)

    # Next and previous step through the results.
    j.click(NEXT_BUTTON)
    wait_until("the next result to play", lambda: j.wav.tone(TONES) not in (None, first), timeout=15)
    j.click(PREVIOUS_BUTTON)
    j.wait_for_sound(TONES, first, "the previous result to play again", timeout=15)
    j.step("1-previous")

    # The look of each layout, with the pointer away from the mode buttons.
    j.move(50, 380)
    search = layout(j)
    j.click(RADIO_MODE_BUTTON)
    j.move(50, 380)
    radio = new_layout(j, search)
    # The radio picture is decoded only now that it shows.
    if not shows_picture(j, RADIO_PICTURE, os.path.join(SOURCE_DIR, "data", "333.jpg")):
        raise JourneyFailure("radio mode does not show the radio picture")
    j.click(RADIO_MODE_BUTTON)
    j.move(50, 380)
    wait_until("the search layout again", lambda: layout(j) == search)

    # mp3 mode, radio mode, and back to search mode.
    j.click(MP3_MODE_BUTTON)
    j.click(RADIO_MODE_BUTTON)
    j.move(50, 380)
    wait_until("radio mode after mp3 mode", lambda: layout(j) == radio)
    j.click(RADIO_MODE_BUTTON)
    j.move(50, 380)
    wait_until("search mode after radio mode", lambda: layout(j) == search)
    j.step("2-search-again")

    # Record saves the selected row: its hotspot is back in search mode.
    j.click(row_point(RESULTS_PANEL, 1))
    j.click(RECORD_BUTTON)
    j.answer_box(main_windows, timeout=20)
    saved = [f for f in os.listdir(j.work) if f.endswith(".mp3")]
    if len(saved) != 1:
        raise JourneyFailure("expected one saved track, found %r" % saved)
    with open(os.path.join(j.work, saved[0]), "rb") as f:
        if f.read() not in originals:
            raise JourneyFailure("the saved track is not a served file")

    # Compact mode, a mode button pressed there, and back.
    j.click(TITLE_HOTSPOT, button=3)
    wait_until("compact mode", lambda: j.geometry()[3] == 83)
    j.step("3-compact")
    j.click(RADIO_MODE_BUTTON)
    j.click(TITLE_HOTSPOT, button=3)
    wait_until("the full window", lambda: j.geometry()[3] == 400)
    j.move(50, 380)
    wait_until("a skin and controls of one mode", lambda: layout(j) in (radio, search), timeout=5)
    j.step("4-after-compact")
    j.stop_player()


if __name__ == "__main__":
    sys.exit(run(main))
