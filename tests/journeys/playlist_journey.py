#!/usr/bin/env python3
"""Playlist: with no "inet_radio.pls" beside the program, a found track is
added with "+" and saved from the playlist editor; after a restart the
playlist still holds it, and it plays from there. The track's title holds
line breaks and a would-be group and key, which must stay inside its value.
A dead station before it is passed over, and the strip names it."""

import os
import sys

from journey import (PLAYLIST_PANEL, RESULTS_ADD_ICON_X, RESULTS_PANEL, JourneyFailure, control, free_port, make_mp3,
                     row_point, row_shows, run, start_site, wait_until)

SAVE_BUTTON = (10, 60, 70, 25)  # in the playlist editor
EDITOR_TITLE = "Редактирование плейлиста"
STATUS_STRIP = control("StatusStrip")


def main(j):
    music = os.path.join(j.tmp, "music")
    os.makedirs(music)
    title = "Песня\r\n[Взлом]\r\nFile1 = взлом"
    make_mp3(os.path.join(music, "song.mp3"), 500, 6, "Пробный артист", title)
    j.env["KESTREL_SITE_URL"] = start_site(j, music)
    stations = os.path.join(j.work, "inet_radio.pls")
    os.remove(stations)
    j.start_player()
    main_windows = j.player_windows()
    if row_shows(j, PLAYLIST_PANEL, 0):
        raise JourneyFailure("the playlist is not empty without its file")

    j.search("пробный", results=1)
    j.click(row_point(RESULTS_PANEL, 0, RESULTS_ADD_ICON_X - RESULTS_PANEL[0]))
    wait_until("the result to join the playlist", lambda: row_shows(j, PLAYLIST_PANEL, 0))

    # A right click on the playlist opens its editor; "Сохранить" saves.
    j.click(row_point(PLAYLIST_PANEL, 0), button=3)
    editor = wait_until("the playlist editor", lambda: j.find_window(EDITOR_TITLE))
    j.xdo("windowactivate", "--sync", editor)
    j.click_in(editor, SAVE_BUTTON)
    j.answer_box(main_windows + [editor])
    j.step("1-saved")
    if not os.path.exists(stations):
        raise JourneyFailure("the save did not create inet_radio.pls")
    with open(stations, encoding="cp1251") as f:
        lines = f.read().splitlines()
    if any(line.startswith(("[Взлом]", "File1")) for line in lines):
        raise JourneyFailure("the title added lines of its own to inet_radio.pls: %r" % lines)
    j.stop_player()

    # A station that no longer answers goes before the saved entry.
    with open(stations, "w", encoding="cp1251", newline="") as f:
        dead = "File0 = http://127.0.0.1:%d/dead.mp3\r\nTitle0 = Мёртвая станция\r\n" % free_port()
        f.write("\r\n".join(lines).replace("File0", "File1").replace("Title0", "Title1")
                .replace("[Плейлист]\r\n", "[Плейлист]\r\n" + dead) + "\r\n")

    j.start_player()
    wait_until("the saved playlist after a restart", lambda: row_shows(j, PLAYLIST_PANEL, 1))
    if row_shows(j, PLAYLIST_PANEL, 2):
        raise JourneyFailure("the playlist holds more than its two entries after a restart")
    j.click(row_point(PLAYLIST_PANEL, 0), double=True)
    j.wait_for_sound((300, 500), 500, "the saved entry to play after the dead one")
    j.step("2-after-dead-station")
    # The strip names the station passed over beside the entry playing:
    # it reads otherwise when that entry is played by itself.
    after_dead = j.region(STATUS_STRIP)
    j.click(row_point(PLAYLIST_PANEL, 1), double=True)
    wait_until("the strip to name the entry alone", lambda: j.region(STATUS_STRIP) != after_dead)
    j.wait_for_sound((300, 500), 500, "the saved entry to play")
    j.stop_player()


if __name__ == "__main__":
    sys.exit(run(main))
