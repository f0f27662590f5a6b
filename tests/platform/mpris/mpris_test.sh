#!/usr/bin/env bash
# The desktop's media controls against the built player on a virtual X
# server, over a private session bus, driven by playerctl as media keys and
# widgets would: play-pause shows and hides the pause picture, the metadata
# names the playing row with its tags and real length, next plays the next
# result, a volume moves the volume bar, a position moves the sound, an
# opened file plays, stop rewinds and says Stopped, raise brings back the
# minimised window and quit ends the player. A session bus that cannot be
# reached stops nothing.
# Usage (under xvfb-run): mpris_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2> /dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
# shellcheck source=../../journeys/journey_lib.sh
. "$here/../../journeys/journey_lib.sh"

export QT_QPA_PLATFORM=xcb KESTREL_AUTO_OK=1
openbox > /dev/null 2>&1 &
pids+=($!)

mkdir -p "$tmp/work" "$tmp/library"
cp -r "$source_dir/data/." "$tmp/work/"
# The field's starting text, "Depeche Mode Remix", finds both.
make_track "$tmp/library/one.mp3" "Depeche Mode" "Remix Alpha" 440
make_track "$tmp/library/two.mp3" "Depeche Mode" "Remix Beta" 660
start_site "$build/kestrel-site" "$tmp/library"
pids+=("$site_pid")
export KESTREL_SITE_URL=$site_url

# No reachable bus: the player starts and closes as ever.
(cd "$tmp/work" && DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/no-bus" exec "$build/kestrel-player") &
lone=$!
pids+=("$lone")
find_window
click 708 11  # CloseButton
wait_for 10 bash -c "! kill -0 $lone" || fail "the player without a bus did not close"
wait "$lone" || fail "the player without a bus ended with status $?"

dbus-daemon --session --nofork --nopidfile --print-address=3 3> "$tmp/bus" &
pids+=($!)
wait_for 10 test -s "$tmp/bus" || fail "no session bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

(cd "$tmp/work" && exec "$build/kestrel-player") &
player=$!
pids+=("$player")
find_window
ctl() { playerctl --player=kestrel_player "$@"; }
# Checks for wait_for, read afresh on each try.
status_is() { [ "$(ctl status)" = "$1" ]; }
title_other_than() {
  local title
  title=$(ctl metadata title)
  [ -n "$title" ] && [ "$title" != "$1" ]
}
volume_starts() { case "$(ctl volume)" in "$1"*) return 0 ;; esac; return 1; }
wait_for 20 ctl status || fail "no org.mpris.MediaPlayer2.kestrel_player on the bus"
[ "$(ctl status)" = "Stopped" ] || fail "before anything plays the status is $(ctl status)"

has_title() { [ -n "$(ctl metadata title 2> /dev/null)" ]; }
search_then 'click 120 106 2' has_title || fail "a double click on a result played nothing"
first=$(ctl metadata title)
case "$first" in *Remix*) ;; *) fail "the metadata names '$first', not the row" ;; esac
wait_for 10 status_is Playing || fail "status $(ctl status) while the row plays"
# The streamed track's own tags and length (30 s), not a length of 1 s.
has_artist() { [ "$(ctl metadata artist)" = "Depeche Mode" ]; }
wait_for 10 has_artist || fail "the artist tag reads '$(ctl metadata artist)'"
length_is_30s() { case "$(ctl metadata mpris:length)" in 29[0-9][0-9][0-9][0-9][0-9][0-9] | 30[0-9][0-9][0-9][0-9][0-9][0-9]) return 0 ;; esac; return 1; }
wait_for 10 length_is_30s || fail "the streamed track's length reads '$(ctl metadata mpris:length)'"
# A position moves the sound there (the track can seek: its server sends ranges).
position_from() { awk -v p="$(ctl position)" -v lo="$1" 'BEGIN { exit !(p >= lo && p < lo + 5) }'; }
ctl position 20
wait_for 10 position_from 20 || fail "position 20 left the sound at $(ctl position)"

# PauseIndicator's rectangle.
pause_area() { region_hash 362 341 38 38; }
playing_look=$(pause_area)
ctl play-pause
wait_for 10 status_is Paused || fail "play-pause did not pause"
wait_for 10 looks_other_than pause_area "$playing_look" || fail "the pause picture did not show"
ctl play-pause
wait_for 10 status_is Playing || fail "play-pause did not resume"
wait_for 10 looks pause_area "$playing_look" || fail "the pause picture stayed"

ctl next
wait_for 10 title_other_than "$first" || fail "next did not play another row"
case "$(ctl metadata title)" in *Remix*) ;; *) fail "next plays '$(ctl metadata title)'" ;; esac

# VolumeBar's rectangle; the bar's fill follows the level.
volume_area() { region_hash 491 356 67 18; }
ctl volume 0.25
wait_for 10 volume_starts 0.24 || fail "volume reads $(ctl volume) after 0.25"
quarter=$(volume_area)
ctl volume 1
wait_for 10 volume_starts 1 || fail "volume reads $(ctl volume) after 1"
wait_for 10 looks_other_than volume_area "$quarter" || fail "the volume bar did not move"

# A local file opened by address plays in mp3 mode, named by its tags, its
# folder's cover file as its picture.
mkdir -p "$tmp/Альбом"
make_track "$tmp/Альбом/local song.mp3" "Local Artist" "Local Title" 330
cp "$source_dir/data/DM.jpg" "$tmp/Альбом/Cover.jpg"
ctl open "file://$(printf '%s' "$tmp/Альбом/local song.mp3" | sed 's/ /%20/g')"
title_is() { [ "$(ctl metadata title)" = "$1" ]; }
wait_for 10 title_is "Local Title" || fail "the opened file plays '$(ctl metadata title)'"
wait_for 10 status_is Playing || fail "status $(ctl status) while the opened file plays"
case "$(ctl metadata mpris:artUrl)" in
  file:///*/%D0%90%D0%BB%D1%8C%D0%B1%D0%BE%D0%BC/Cover.jpg) ;;
  *) fail "the opened file's picture reads '$(ctl metadata mpris:artUrl)'" ;;
esac
# Stop says so and goes back to the start; play goes on from there.
wait_for 10 position_from 1 || fail "the opened file did not move on"
ctl stop
wait_for 10 status_is Stopped || fail "stop left the status at $(ctl status)"
position_from 0 || fail "stop left the position at $(ctl position)"
ctl play
wait_for 10 status_is Playing || fail "play after stop left the status at $(ctl status)"

# Raise brings back the minimised window; Quit ends the player as its close button does.
root_call() {
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.kestrel_player /org/mpris/MediaPlayer2 \
    "org.mpris.MediaPlayer2.$1" > /dev/null
}
xdotool windowminimize --sync "$win"
root_call Raise
wait_for 10 xdotool search --onlyvisible --name 'Поиск MP3' || fail "raise did not bring the window back"
root_call Quit
wait_for 10 bash -c "! kill -0 $player" || fail "quit did not end the player"
wait "$player" || fail "the player ended with status $? after quit"
echo "PASS"
