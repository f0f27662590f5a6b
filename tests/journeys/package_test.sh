#!/usr/bin/env bash
# The Debian package on this machine, as a new user meets it: built with
# CPack, installed with dpkg, started by its desktop entry's command from an
# empty home: the stations and pictures are there, a track saved from a
# search lands in the music folder's "Kestrel Player", and removing the
# package leaves the user's files. Installs into the real system (needs
# root; exits 77, skipped, otherwise) and removes the package at the end.
# Before that, the package itself: lintian finds no error and no warning,
# and no installed file names the build or source folder.
# Usage (under xvfb-run): package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd -P)
source_dir=$(cd "$2" && pwd -P)
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
pids=()
installed=0
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2> /dev/null || true; done
  # Purged, so that dpkg keeps no record of the package either.
  if [ "$installed" = 1 ]; then dpkg -P kestrel-player > /dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
# shellcheck source=journey_lib.sh
. "$here/journey_lib.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing a package needs root"
  exit 77
fi
if [ "$(dpkg-query -W -f='${Status}' kestrel-player 2> /dev/null || true)" = "install ok installed" ]; then
  echo "SKIP: kestrel-player is installed on this machine already; this test would replace it"
  exit 77
fi

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/package" > "$tmp/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 20 "$tmp/cpack.log")"
deb=$(ls "$tmp"/package/kestrel-player_*.deb)
# Informational tags are lintian's suggestions, not faults of the package.
lintian --fail-on error,warning "$deb" > "$tmp/lintian.txt" 2>&1 ||
  fail "lintian: $(grep -E '^[EW]:' "$tmp/lintian.txt" || cat "$tmp/lintian.txt")"
mkdir "$tmp/unpacked"
dpkg-deb -x "$deb" "$tmp/unpacked"
paths=$(grep -rlaF -e "$build/" -e "$source_dir/" "$tmp/unpacked" || true)
[ -z "$paths" ] || fail "installed files name the build or source folder: $paths"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *-dev* | *googletest* | *benchmark* | *icecast* | *xvfb* | *cmake*)
  fail "build or test packages among the Depends" ;;
esac
for p in libqt6widgets6 libqt6dbus6 libcurl4 libsdl2-2.0-0 timgm6mb-soundfont fonts-liberation; do
  case "$depends" in *"$p"*) ;; *) fail "$p is not among the Depends" ;; esac
done

dpkg -i "$deb" > "$tmp/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$tmp/dpkg.log")"
installed=1
[ -x /usr/bin/kestrel-player ] && [ -x /usr/bin/kestrel-site ] || fail "the programs are not installed"

# A new user: an empty home, no data folder yet, no music folder.
home=$tmp/home
mkdir -p "$home"
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config
export QT_QPA_PLATFORM=xcb KESTREL_AUTO_OK=1
data=$XDG_DATA_HOME/kestrel-player
saved=$home/Music/"Kestrel Player"
openbox > /dev/null 2>&1 &
pids+=($!)

mkdir -p "$tmp/library"
make_track "$tmp/library/remix.mp3" "Depeche Mode" "Remix Saved" 523
start_site /usr/bin/kestrel-site "$tmp/library"
pids+=("$site_pid")
export KESTREL_SITE_URL=$site_url

entry=/usr/share/applications/org.kestrelplayer.KestrelPlayer.desktop
# The menu starts the entry's command with no files: its %U stands for nothing.
exec_line=$(sed -n 's/^Exec=//p' "$entry")
command=${exec_line% %U}
[ "$command" != "$exec_line" ] || fail "the entry's command takes no files (%U)"
(cd "$HOME" && exec $command) &
player=$!
pids+=("$player")
find_window
[ "$(readlink "/proc/$player/cwd")" = "$data" ] ||
  fail "the player does not run in $data"
# Docks group the window under the entry and show its icon.
xprop -id "$win" WM_CLASS _NET_WM_ICON > "$tmp/window.txt"
grep -q "\"$(sed -n 's/^StartupWMClass=//p' "$entry")\"" "$tmp/window.txt" ||
  fail "the window's class is not the entry's StartupWMClass"
grep -q 'Icon (128 x 128)' "$tmp/window.txt" || fail "the window has no icon"
for f in inet_radio.pls DM.jpg 333.jpg 999.jpg icon.png файлы/a.txt; do
  [ -f "$data/$f" ] || fail "$f was not seeded into $data"
done

# shows_picture X Y FILE: the window shows the picture FILE at (X, Y): the
# region of its size has its mean brightness.
shows_picture() {
  local w h shown expected
  read -r w h <<< "$(identify -format '%w %h' "$3")"
  import -window root "$tmp/shot.png"
  shown=$(convert "$tmp/shot.png" -crop "${w}x$h+$((win_x + $1))+$((win_y + $2))" +repage -colorspace Gray \
    -format '%[fx:mean]' info:)
  expected=$(convert "$3" -colorspace Gray -format '%[fx:mean]' info:)
  awk -v a="$shown" -v b="$expected" 'BEGIN { exit !(a - b < 0.03 && b - a < 0.03) }'
}

# Search mode shows DM.jpg at (85, 96); radio mode 333.jpg at (465, 105).
wait_for 10 shows_picture 85 96 "$data/DM.jpg" || fail "search mode does not show its picture"
click 676 38  # RadioModeButton
wait_for 10 shows_picture 465 105 "$data/333.jpg" || fail "radio mode does not show its picture"
# The stations of inet_radio.pls are listed: the station list is not blank.
has_stations() {
  import -window root "$tmp/shot.png"
  convert "$tmp/shot.png" -crop "286x100+$((win_x + 166))+$((win_y + 99))" +repage -colorspace Gray \
    -format '%[fx:standard_deviation]' info: | awk '{ exit !($1 > 0.02) }'
}
wait_for 10 has_stations || fail "no stations listed"
click 676 38  # back to search mode

# A search result, selected, then the record button.
has_saved() { [ -n "$(find "$saved" -name '*.mp3' 2> /dev/null)" ]; }
search_then 'click 120 106; click 297 360' has_saved || fail "no track was saved in $saved"
file=$(find "$saved" -name '*.mp3' | head -n1)
wait_for 20 cmp -s "$file" "$tmp/library/remix.mp3" || fail "the saved track differs from the site's"

click 708 11  # CloseButton
wait_for 10 bash -c "! kill -0 $player" || fail "the player did not close"

# "Open with" from a file manager in the music's folder: the entry's command
# with the file for %U plays it, through the launcher, named relative to there.
(cd "$tmp/library" && KESTREL_AUDIO_WAV=$tmp/opened.wav exec $command remix.mp3) &
player=$!
pids+=("$player")
find_window
wait_for 30 sounds "$tmp/opened.wav" || fail "the file opened with the player is not heard"
click 708 11  # CloseButton
wait_for 10 bash -c "! kill -0 $player" || fail "the player opened with a file did not close"

dpkg -r kestrel-player > "$tmp/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$tmp/dpkg.log")"
[ ! -e /usr/bin/kestrel-player ] && [ ! -e /usr/share/kestrel-player ] || fail "dpkg -r left the program"
[ -f "$data/inet_radio.pls" ] && [ -f "$file" ] || fail "dpkg -r took the user's files"
echo "PASS"
