#!/usr/bin/env bash
# The desktop's media controls against the built player on a virtual X
# server, over a private session bus, driven by playerctl as media keys and
# widgets would: play-pause shows and hides the pause picture, the metadata
# names the playing row, next plays the next result, a volume moves the
# volume bar. A session bus that cannot be reached stops nothing.
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
pids+=($!)
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
echo "PASS"
