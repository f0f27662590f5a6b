#!/usr/bin/env python3
"""Radio: in radio mode a double click on a style lists its stations, a
double click on a station plays it from a live Icecast2 mount fed by
ezstream, also right after a station whose server never answers, and
another style's station plays after the switch."""

import os
import socket
import sys

from journey import (RADIO_MODE_BUTTON, SPECTRUM, STATION_PANEL, STYLE_PANEL, JourneyFailure, free_port, make_mp3,
                     row_pixels, row_point, row_shows, run, wait_until)

TONES = (440, 880)


def icecast_answers(port):
    """Whether the server on `port` is Icecast: another process may take a
    free port before icecast2 binds it, and then answers in its place."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
            s.sendall(b"GET /status-json.xsl HTTP/1.0\r\n\r\n")
            answer = b""
            while chunk := s.recv(4096):
                answer += chunk
            return b"icestats" in answer
    except OSError:
        return False


def start_radio(j, mounts):
    """Icecast2 on a free loopback port with one ezstream per mount; `mounts` maps a mount to an MP3."""
    folder = os.path.join(j.tmp, "icecast")
    os.makedirs(folder)
    # As root, icecast drops to "nobody", who must reach its log folder.
    os.chmod(j.tmp, 0o755)
    os.chmod(folder, 0o777)
    owner = ("<security><chroot>0</chroot><changeowner><user>nobody</user><group>nogroup</group></changeowner>"
             "</security>" if os.geteuid() == 0 else "")
    # The port is free when picked, but another process may bind it before
    # icecast2 does; then another port is tried.
    for attempt in range(1, 4):
        port = free_port()
        config = os.path.join(folder, "icecast.xml")
        with open(config, "w") as f:
            f.write("<icecast><limits><clients>10</clients><sources>%d</sources><burst-size>65536</burst-size>"
                    "</limits><authentication><source-password>kestrel</source-password><admin-user>admin"
                    "</admin-user><admin-password>kestrel</admin-password></authentication><hostname>127.0.0.1"
                    "</hostname><listen-socket><port>%d</port><bind-address>127.0.0.1</bind-address></listen-socket>"
                    "<fileserve>0</fileserve><paths><basedir>%s</basedir><logdir>%s</logdir><webroot>"
                    "/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>"
                    "<logging><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>%s</icecast>"
                    % (len(mounts), port, folder, folder, owner))
        os.chmod(config, 0o644)
        icecast = j.spawn("icecast-%d" % attempt, ["icecast2", "-c", config])
        wait_until("icecast2 to listen or end",
                   lambda: icecast.poll() is not None or icecast_answers(port))
        if icecast.poll() is None:
            break
    else:
        raise JourneyFailure("icecast2 did not start on three ports; see icecast-*.log and error.log")
    for n, (mount, mp3) in enumerate(sorted(mounts.items())):
        feed = os.path.join(folder, "ezstream%d.xml" % n)
        with open(feed, "w") as f:
            f.write("<ezstream><servers><server><protocol>HTTP</protocol><hostname>127.0.0.1</hostname>"
                    "<port>%d</port><password>kestrel</password></server></servers><streams><stream>"
                    "<mountpoint>%s</mountpoint><format>MP3</format></stream></streams><intakes><intake>"
                    "<type>file</type><filename>%s</filename></intake></intakes></ezstream>" % (port, mount, mp3))
        os.chmod(feed, 0o600)
        j.spawn("ezstream%d" % n, ["ezstream", "-c", feed])
    return "http://127.0.0.1:%d" % port


def spectrum_lit(j):
    """Whether a band of the spectrum shows red on the screen."""
    pixels = j.region(SPECTRUM)
    return any(pixels[i] > 150 and pixels[i + 1] < 60 for i in range(0, len(pixels) - 2, 3))


def main(j):
    mounts = {}
    for mount, hertz in (("/rock.mp3", TONES[0]), ("/classic.mp3", TONES[1])):
        mp3 = os.path.join(j.tmp, mount.strip("/"))
        make_mp3(mp3, hertz, 4)
        mounts[mount] = mp3
    base = start_radio(j, mounts)
    # A station whose server takes the connection and never answers.
    dead = socket.socket()
    dead.bind(("127.0.0.1", 0))
    dead.listen(8)
    # The stations file the program reads, in its Windows-1251: the first
    # style has the dead station after its live one, the second one station.
    with open(os.path.join(j.work, "inet_radio.pls"), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("[Biues & rock]\nFile1 = %s/rock.mp3\nTitle1 = Скала\n"
                "File2 = http://127.0.0.1:%d/dead.mp3\nTitle2 = Тишина\n"
                "[Classic FM]\nFile1 = %s/classic.mp3\nTitle1 = Классика\n" % (base, dead.getsockname()[1], base))
    j.env["KESTREL_SITE_URL"] = "http://127.0.0.1:%d/" % free_port()
    j.start_player()

    j.click(RADIO_MODE_BUTTON)
    wait_until("the style list", lambda: row_shows(j, STYLE_PANEL, 0))
    for style, hertz in enumerate(TONES):
        before = row_pixels(j, STATION_PANEL, 0)
        j.click(row_point(STYLE_PANEL, style, 60), double=True)
        wait_until("the style's station", lambda: row_pixels(j, STATION_PANEL, 0) not in (before, bytes(len(before))))
        stations = 2 if style == 0 else 1
        if not row_shows(j, STATION_PANEL, stations - 1) or row_shows(j, STATION_PANEL, stations):
            raise JourneyFailure("style %d does not list its %d stations" % (style, stations))
        if style == 0:
            # The dead station is still opening when the live one is chosen.
            j.click(row_point(STATION_PANEL, 1), double=True)
        j.click(row_point(STATION_PANEL, 0), double=True)
        j.wait_for_sound(TONES, hertz, "the station of style %d to sound" % style, timeout=15)
        # What the window paints itself reaches the screen: the tone's band rises.
        wait_until("the spectrum to show the station on screen", lambda: spectrum_lit(j))
        j.step("style%d" % style)
    j.stop_player()
    dead.close()


if __name__ == "__main__":
    sys.exit(run(main))
