#!/usr/bin/env python3
"""Search: a query with Cyrillic and "&" typed into the search field finds
the tracks on a real kestrel-site; a double click plays one, "+" adds it to
the playlist and Record saves it, byte for byte as the site serves it."""

import os
import sys

from journey import (PLAYLIST_PANEL, RECORD_BUTTON, RESULTS_ADD_ICON_X, RESULTS_PANEL, JourneyFailure, make_mp3,
                     row_point, row_shows, run, start_site, wait_until)

TONES = (440, 660, 880)


def main(j):
    music = os.path.join(j.tmp, "music")
    os.makedirs(music)
    make_mp3(os.path.join(music, "a.mp3"), TONES[0], 6, "Дождь & Ветер", "Утро")
    make_mp3(os.path.join(music, "b.mp3"), TONES[1], 6, "Дождь & Ветер", "Вечер")
    # Found by "дождь" alone: a query cut at its "&" would list it too.
    make_mp3(os.path.join(music, "c.mp3"), TONES[2], 6, "Дождь без ветра", "Песня")
    j.env["KESTREL_SITE_URL"] = start_site(j, music)
    j.start_player()
    main_windows = j.player_windows()

    j.search("дождь & ветер", results=2)
    j.step("1-results")

    # A double click on the first result streams it from the site.
    j.click(row_point(RESULTS_PANEL, 0), double=True)
    wait_until("a result to play", lambda: j.wav.tone(TONES) in TONES[:2], timeout=15)

    # "+" in the icon column adds the row below the playlist's last.
    free_row = next((r for r in range(10) if not row_shows(j, PLAYLIST_PANEL, r)), None)
    if free_row is None:
        raise JourneyFailure("the playlist shows no free row")
    j.click(row_point(RESULTS_PANEL, 0, RESULTS_ADD_ICON_X - RESULTS_PANEL[0]))
    wait_until("the row to join the playlist", lambda: row_shows(j, PLAYLIST_PANEL, free_row))
    j.step("2-added")

    # Record saves the selected row into the working folder; the box that
    # says so is answered with Enter.
    j.click(RECORD_BUTTON)
    j.step("3-recording")
    caption = j.answer_box(main_windows, timeout=20)
    if caption:
        raise JourneyFailure("the box meant to have an empty caption shows %r" % caption)
    saved = [f for f in os.listdir(j.work) if f.endswith(".mp3")]
    if len(saved) != 1:
        raise JourneyFailure("expected one saved track, found %r" % saved)
    with open(os.path.join(j.work, saved[0]), "rb") as f:
        body = f.read()
    originals = []
    for name in ("a.mp3", "b.mp3"):
        with open(os.path.join(music, name), "rb") as f:
            originals.append(f.read())
    if body not in originals:
        raise JourneyFailure("the saved track %r is not the served file (%d bytes)" % (saved[0], len(body)))
    j.stop_player()


if __name__ == "__main__":
    sys.exit(run(main))
