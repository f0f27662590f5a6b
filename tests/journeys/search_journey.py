#!/usr/bin/env python3
"""Search: a query with Cyrillic and "&" typed into the search field finds
the tracks on a real kestrel-site, Enter in the field searching as the
button does; a double click plays one, Space pauses and resumes it, the
wheel over the volume bar and the Up key change its volume, "+" adds it to
the playlist and Record saves it, byte for byte as the site serves it. A
row too long for the list ends in "…" and shows whole over it. A query that
finds nothing and a site that is down say so in the status strip; an empty
query warns and leaves the rows as they were."""

import os
import sys

from journey import (PLAYLIST_PANEL, RECORD_BUTTON, RESULTS_ADD_ICON_X, RESULTS_PANEL, SEARCH_BUTTON, SEARCH_FIELD,
                     JourneyFailure, Wav, centre, control, make_mp3, row_point, row_shows, run, start_site,
                     wait_until)

TONES = (440, 660, 880)
STATUS_STRIP = control("StatusStrip")
VOLUME_BAR = control("VolumeBar")
LONG_TITLE = "Очень длинное название песни, которое никак не помещается в одну строку списка результатов"


def search_for_nothing(j, query):
    """Types `query` and searches; returns once the list is empty and the status strip has changed."""
    strip = j.region(STATUS_STRIP)
    j.click(SEARCH_FIELD)
    j.key("ctrl+a", "BackSpace")
    j.type_text(query)
    j.click(SEARCH_BUTTON)
    wait_until("the strip to say why the list is empty",
               lambda: j.region(STATUS_STRIP) != strip and not row_shows(j, RESULTS_PANEL, 0), timeout=15)
    return j.region(STATUS_STRIP)


def main(j):
    music = os.path.join(j.tmp, "music")
    os.makedirs(music)
    make_mp3(os.path.join(music, "a.mp3"), TONES[0], 6, "Дождь & Ветер", "Утро")
    make_mp3(os.path.join(music, "b.mp3"), TONES[1], 6, "Дождь & Ветер", "Вечер")
    # Found by "дождь" alone: a query cut at its "&" would list it too.
    make_mp3(os.path.join(music, "c.mp3"), TONES[2], 6, "Дождь без ветра", "Песня")
    make_mp3(os.path.join(music, "d.mp3"), TONES[2], 2, "Ливень", LONG_TITLE)
    j.env["KESTREL_SITE_URL"] = start_site(j, music)
    j.start_player()
    main_windows = j.player_windows()

    nothing_found = search_for_nothing(j, "снегопад")
    # The long row is elided at the list's edge; hovering shows the whole of it.
    j.search("ливень", results=1)
    j.move(*row_point(RESULTS_PANEL, 0, 200))
    wait_until("the row's tooltip", lambda: len(j.player_windows()) > len(main_windows), timeout=10)
    j.step("0-long-row")

    j.search("дождь & ветер", results=2, enter=True)
    j.step("1-results")

    # A double click on the first result streams it from the site.
    j.click(row_point(RESULTS_PANEL, 0), double=True)
    wait_until("a result to play", lambda: j.wav.tone(TONES) in TONES[:2], timeout=15)

    # Space pauses and resumes, though the list has the focus.
    def level():
        return Wav.loudness(j.wav.latest())
    j.key("space")
    wait_until("Space to pause", lambda: level() < 0.005)
    j.key("space")
    wait_until("Space to resume", lambda: j.wav.tone(TONES) in TONES[:2])
    # Three notches down over the volume bar, then Up, once a click on the
    # skin has taken the focus from the list.
    loud = wait_until("a steady level", lambda: level() > 0.05 and level())
    j.move(*centre(VOLUME_BAR))
    j.xdo("click", "--repeat", 3, "--delay", 50, 5)
    wait_until("the wheel to lower the volume", lambda: level() < loud * 0.9)
    lowered = level()
    j.click(STATUS_STRIP)
    j.key("Up")
    wait_until("Up to raise the volume", lambda: level() > lowered * 1.05)
    j.step("1a-keys")

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

    # An empty query warns and leaves the two rows: none shown twice.
    j.click(SEARCH_FIELD)
    j.key("ctrl+a", "BackSpace")
    j.click(SEARCH_BUTTON)
    if j.answer_box(main_windows) != "Внимание!":
        raise JourneyFailure("the empty query's box has another caption")
    if not row_shows(j, RESULTS_PANEL, 1) or row_shows(j, RESULTS_PANEL, 2):
        raise JourneyFailure("an empty query changed the rows")

    # With the site gone, the strip says something else than for no match.
    site = next(process for name, process in j.children if name == "site")
    site.terminate()
    site.wait()
    if search_for_nothing(j, "дождь") == nothing_found:
        raise JourneyFailure("a site that is down reads as a search that found nothing")
    j.step("4-site-down")
    j.stop_player()


if __name__ == "__main__":
    sys.exit(run(main))
