#!/usr/bin/env python3
"""Playlist: with no "inet_radio.pls" beside the program, found tracks are
added with "+" and saved from the playlist editor; after a restart the
playlist still holds them, and they play and are recorded from there. One
title holds line breaks and a would-be group and key, which must stay inside
its value; the others hold Latin-1 letters and an emoji, which must come
back whole, in the list and in the names of recorded files. An entry added
and never saved survives an exit by SIGHUP (a closed terminal), and so do
the searches made. A dead station before the kept entries is passed over,
and the strip names it. The volume, mute and the window's place changed
before the logout are there again after the restart; a damaged settings
file gives the defaults with one warning, and is written anew at exit."""

import os
import re
import signal
import sys

from journey import (PLAYLIST_PANEL, RECORD_BUTTON, RESULTS_ADD_ICON_X, RESULTS_PANEL, JourneyFailure, centre,
                     control, free_port, make_mp3, row_point, row_shows, run, start_site, wait_until)

SAVE_BUTTON = (10, 60, 70, 25)  # in the playlist editor
EDITOR_TITLE = "Редактирование плейлиста"
STATUS_STRIP = control("StatusStrip")
VOLUME_BAR = control("VolumeBar")
MUTE_BUTTON = control("MuteButton")
MOVED_TO = (100, 150)
ARTIST = "Пробный артист"
# Titles and their tones. The site lists "artist - title"; line breaks in a
# title are stored as spaces.
TRACKS = {"Песня\r\n[Взлом]\r\nFile1 = взлом": 500, "Ärger über Straße": 300, "Sunny 🌞 Day": 700}
STORED = {ARTIST + " - " + title.replace("\r\n", "  "): hertz for title, hertz in TRACKS.items()}


def playlist_group(path):
    """The playlist's (file, title) pairs and the search history in inet_radio.pls, read as its byte-order mark
    says (UTF-8 with it, Windows-1251 without)."""
    with open(path, "rb") as f:
        data = f.read()
    text = data[3:].decode("utf-8") if data.startswith(b"\xef\xbb\xbf") else data.decode("cp1251")
    groups, group = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            group = groups.setdefault(line[1:line.index("]")], {})
        elif " = " in line and group is not None:
            key, value = line.split(" = ", 1)
            group[key] = value
    playlist = groups.get("Плейлист", {})
    entries = [(playlist["File%d" % n], playlist.get("Title%d" % n, "")) for n in range(len(playlist))
               if "File%d" % n in playlist]
    return entries, list(groups.get("История", {}).values()), text


def put_dead_station_first(path):
    """Puts a station that no longer answers before the playlist's entries,
    in the file's own encoding."""
    with open(path, "rb") as f:
        data = f.read()
    bom = data.startswith(b"\xef\xbb\xbf")
    text = data[3:].decode("utf-8") if bom else data.decode("cp1251")
    lines, group = [], None
    for line in text.split("\r\n"):
        if line.startswith("["):
            group = line
        elif group == "[Плейлист]":
            line = re.sub(r"^(File|Title)(\d+) = ", lambda m: "%s%d = " % (m[1], int(m[2]) + 1), line)
        lines.append(line)
        if line == "[Плейлист]":
            lines += ["File0 = http://127.0.0.1:%d/dead.mp3" % free_port(), "Title0 = Мёртвая станция"]
    text = "\r\n".join(lines)
    with open(path, "wb") as f:
        f.write(b"\xef\xbb\xbf" + text.encode("utf-8") if bom else text.encode("cp1251"))


def look(j):
    """The volume bar and the mute button as shown, the pointer away from the window."""
    j.xdo("mousemove", 1, 1)
    return j.region(VOLUME_BAR), j.region(MUTE_BUTTON)


def add_result(j, row, playlist_row):
    j.click(row_point(RESULTS_PANEL, row, RESULTS_ADD_ICON_X - RESULTS_PANEL[0]))
    wait_until("result %d to join the playlist" % row, lambda: row_shows(j, PLAYLIST_PANEL, playlist_row))


def main(j):
    music = os.path.join(j.tmp, "music")
    os.makedirs(music)
    for n, (title, hertz) in enumerate(TRACKS.items()):
        make_mp3(os.path.join(music, "song%d.mp3" % n), hertz, 6, ARTIST, title)
    j.env["KESTREL_SITE_URL"] = start_site(j, music)
    stations = os.path.join(j.work, "inet_radio.pls")
    os.remove(stations)
    j.start_player()
    main_windows = j.player_windows()
    centred = j.geometry()[:2]
    defaults = look(j)
    if row_shows(j, PLAYLIST_PANEL, 0):
        raise JourneyFailure("the playlist is not empty without its file")

    j.search("пробный", results=3)
    for row in range(3):
        add_result(j, row, row)

    # A right click on the playlist opens its editor; "Сохранить" saves.
    j.click(row_point(PLAYLIST_PANEL, 0), button=3)
    editor = wait_until("the playlist editor", lambda: j.find_window(EDITOR_TITLE))
    j.xdo("windowactivate", "--sync", editor)
    j.click_in(editor, SAVE_BUTTON)
    j.answer_box(main_windows + [editor])
    j.step("1-saved")
    if not os.path.exists(stations):
        raise JourneyFailure("the save did not create inet_radio.pls")
    entries, _, text = playlist_group(stations)
    if any(line.startswith(("[Взлом]", "File1 = взлом")) for line in text.splitlines()):
        raise JourneyFailure("a title added lines of its own to inet_radio.pls: %r" % text)
    if sorted(title for _, title in entries) != sorted(STORED):
        raise JourneyFailure("the saved titles are not those found: %r" % entries)

    # One more entry, never saved; a lower volume, mute and another place
    # for the window; the program ends as at a logout.
    add_result(j, 1, 3)
    j.move(*centre(VOLUME_BAR))
    j.xdo("click", "--repeat", 4, "--delay", 50, 5)
    j.click(MUTE_BUTTON)
    j.xdo("windowmove", j.window, *MOVED_TO)
    wait_until("the window to move", lambda: j.geometry()[:2] == MOVED_TO)
    j.refresh_origin()
    changed = wait_until("the volume bar and the mute button to change",
                         lambda: all(a != b for a, b in zip(look(j), defaults)) and look(j))
    j.stop_player(signal.SIGHUP)
    entries, history, _ = playlist_group(stations)
    if len(entries) != 4 or entries[3] != entries[1]:
        raise JourneyFailure("the entry added after the save was lost at exit: %r" % entries)
    if history != ["пробный"]:
        raise JourneyFailure("the search was not kept in the history: %r" % history)

    j.start_player()
    main_windows = j.player_windows()  # the windows of this run: a box is any other
    if j.geometry()[:2] != MOVED_TO:
        raise JourneyFailure("the window starts at %r, not where it was left" % (j.geometry()[:2],))
    wait_until("the volume and mute as they were left", lambda: look(j) == changed, timeout=5)
    j.click(MUTE_BUTTON)  # heard again below
    wait_until("the kept playlist after a restart", lambda: row_shows(j, PLAYLIST_PANEL, 3))
    if row_shows(j, PLAYLIST_PANEL, 4):
        raise JourneyFailure("the playlist holds more than the kept entries after a restart")

    # Record with a playlist row selected saves every entry under its title.
    j.click(row_point(PLAYLIST_PANEL, 0))
    j.click(RECORD_BUTTON)
    j.answer_box(main_windows, timeout=30)
    saved = sorted(f for f in os.listdir(j.work) if f.endswith(".mp3"))
    expected = sorted([title + ".mp3" for _, title in entries[:3]] + [entries[3][1] + " (2).mp3"])
    if saved != expected:
        raise JourneyFailure("recorded files %r, expected %r" % (saved, expected))

    j.click(row_point(PLAYLIST_PANEL, 0), double=True)
    j.wait_for_sound(TRACKS.values(), STORED[entries[0][1]], "the first kept entry to play")
    j.step("2-restarted")
    j.stop_player()
    if playlist_group(stations)[0] != entries:
        raise JourneyFailure("an exit without changes rewrote the playlist: %r" % playlist_group(stations)[0])

    put_dead_station_first(stations)
    settings = os.path.join(j.env["XDG_CONFIG_HOME"], "kestrel-player", "kestrel-player.conf")
    with open(settings, "wb") as f:
        f.write(bytes(range(256)) * 4)
    j.start_player()
    if j.geometry()[:2] != centred:
        raise JourneyFailure("with a damaged settings file the window is not centred")
    wait_until("the default volume and mute", lambda: look(j) == defaults, timeout=5)
    wait_until("the playlist with the dead station", lambda: row_shows(j, PLAYLIST_PANEL, 4))
    j.click(row_point(PLAYLIST_PANEL, 0), double=True)
    j.wait_for_sound(TRACKS.values(), STORED[entries[0][1]], "the entry after the dead station to play")
    j.step("3-after-dead-station")
    # The strip names the station passed over beside the entry playing: it
    # reads otherwise when that entry is played by itself.
    after_dead = j.region(STATUS_STRIP)
    j.click(row_point(PLAYLIST_PANEL, 1), double=True)
    wait_until("the strip to name the entry alone", lambda: j.region(STATUS_STRIP) != after_dead)
    j.stop_player()
    with open(os.path.join(j.tmp, "player.log"), errors="replace") as log:
        said = log.read()
    warnings = [line for line in said.splitlines() if "kestrel-player.conf" in line]
    if len(warnings) != 1:
        raise JourneyFailure("a damaged settings file gave %d warnings: %r" % (len(warnings), warnings))
    with open(settings, "rb") as f:
        if not f.read().startswith(b"[player]"):
            raise JourneyFailure("the damaged settings file was not written anew at exit")


if __name__ == "__main__":
    sys.exit(run(main))
