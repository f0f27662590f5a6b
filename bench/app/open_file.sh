#!/usr/bin/env bash
# A file given to the player, on a virtual X server with openbox, median of 5 each:
#   command line: `kestrel-player FILE` from its start to the file's first
#                 audible sample in the player's WAV output;
#   dialog:       the same file chosen in the open dialog, counted as a user
#                 waits for it with the typing left out: start-up to the shown
#                 window, plus the dialog's Enter to the first audible sample;
#   hand-over:    with a player running on a private session bus, a later
#                 `kestrel-player FILE` from its start to its exit.
# Targets: command line <= 1.2 x dialog; hand-over <= 300 ms.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export KESTREL_BINARY_DIR=${KESTREL_BUILD_DIR:-$root/build} KESTREL_SOURCE_DIR=$root
RUNS=${RUNS:-5} python3 - <<'PY'
import os, statistics, subprocess, sys, time
sys.path.insert(0, os.path.join(os.environ["KESTREL_SOURCE_DIR"], "tests", "journeys"))
from journey import MP3_MODE_BUTTON, OPEN_FOLDER_BUTTON, Journey, make_mp3, wait_until

RUNS = int(os.environ["RUNS"])
player = os.path.join(os.environ["KESTREL_BINARY_DIR"], "kestrel-player")
j = Journey("bench-open-file")


def first_sound(since_frames=0, timeout=20):
    """The moment the WAV output first holds an audible sample past `since_frames`."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        frames = j.wav.frames()
        if frames > since_frames:
            samples = j.wav.samples(since_frames, frames - since_frames)
            if any(abs(s) > 0.05 for s in samples):
                return time.monotonic()
            since_frames = frames
        time.sleep(0.002)
    raise RuntimeError("no sound")


def fresh_wav():
    if os.path.exists(j.wav.path):
        os.remove(j.wav.path)


def quit_player():
    j.stop_player()


try:
    j.start_desktop()
    track = os.path.join(j.tmp, "album", "track.mp3")
    os.makedirs(os.path.dirname(track))
    make_mp3(track, 440, 30)
    j.env.update({"KESTREL_AUTO_OK": "1", "KESTREL_SITE_URL": "http://127.0.0.1:9/"})

    command_line, shown, dialog = [], [], []
    for _ in range(RUNS):
        # Nothing else runs meanwhile: no window search, no screenshot.
        fresh_wav()
        start = time.monotonic()
        j.player = j.spawn("player", [player, track], cwd=j.work)
        command_line.append((first_sound() - start) * 1000)
        j.window = wait_until("the main window", lambda: j.find_window("Поиск MP3"), timeout=20)
        j.refresh_origin()
        quit_player()

        fresh_wav()
        start = time.monotonic()
        out = subprocess.run([player], env=dict(j.env, KESTREL_EXIT_WHEN_SHOWN="1"), cwd=j.work,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if out.stdout.strip() == b"shown":
            shown.append((time.monotonic() - start) * 1000)
        fresh_wav()
        j.start_player()
        known = j.player_windows()
        j.click(MP3_MODE_BUTTON)
        j.click(OPEN_FOLDER_BUTTON)
        box = wait_until("the dialog", lambda: next((w for w in j.player_windows() if w not in known), None))
        j.xdo("windowactivate", "--sync", box)
        j.xdo("type", "--delay", 0, track)
        heard_before = j.wav.frames()
        enter = time.monotonic()
        j.key("Return")
        dialog.append((first_sound(heard_before) - enter) * 1000)
        quit_player()

    # The hand-over, to a player on a private session bus.
    j.start_session_bus()
    j.start_player()
    wait_until("the player on the bus", lambda: "kestrel_player" in j.output(["playerctl", "-l"]))
    handover = []
    for _ in range(RUNS):
        start = time.monotonic()
        later = subprocess.run([player, track], env=j.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        handover.append((time.monotonic() - start) * 1000)
        if later.returncode != 0:
            raise RuntimeError("the later start ended with %d" % later.returncode)
    quit_player()

    med = statistics.median
    via_dialog = med(shown) + med(dialog)
    print(f"command line to first sound: median {med(command_line):.0f} ms "
          f"(min {min(command_line):.0f}, max {max(command_line):.0f}, n={len(command_line)})")
    print(f"dialog: start-up to shown window median {med(shown):.0f} ms + Enter to first sound "
          f"median {med(dialog):.0f} ms = {via_dialog:.0f} ms")
    print(f"command line / dialog: {med(command_line) / via_dialog:.2f} (target <= 1.2)")
    print(f"later start handing over and exiting: median {med(handover):.0f} ms "
          f"(min {min(handover):.0f}, max {max(handover):.0f}, n={len(handover)}; target <= 300 ms)")
finally:
    j.close()
PY
