#!/usr/bin/env bash
# `cmake --install` into a DESTDIR: every file lands where the desktop and
# the package expect it, the desktop entry and the metainfo pass their
# validators, the entry and the unit name the installed programs, and the
# installed launcher seeds the user's data folder without overwriting it.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck source=journey_lib.sh
. "$here/journey_lib.sh"

id=org.kestrelplayer.KestrelPlayer
root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr > /dev/null

echo "installed:"
(cd "$root" && find . -type f -not -path './usr/share/kestrel-player/*' | sort | sed 's/^/  /')
for f in bin/kestrel-player bin/kestrel-site \
  lib/kestrel-player/libkestrel-web.so lib/kestrel-player/kestrel-player-launcher \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/128x128/apps/$id.png \
  share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
  share/man/man1/kestrel-player.1.gz share/man/man1/kestrel-site.1.gz lib/systemd/user/kestrel-site.service \
  share/doc/kestrel-player/copyright share/doc/kestrel-player/changelog.gz; do
  [ -f "$root/usr/$f" ] || fail "usr/$f was not installed"
done
[ -x "$root/usr/lib/kestrel-player/kestrel-player-launcher" ] || fail "the launcher is not executable"
# The shipped data, all of it and nothing of the build's helpers.
shipped=$(cd "$source_dir/data" && find . -type f -not -name '*.py' | sort)
[ "$(cd "$root/usr/share/kestrel-player" && find . -type f | sort)" = "$shipped" ] ||
  fail "share/kestrel-player differs from data/"
for size in 48 128 256; do
  [ "$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png")" = "${size}x$size" ] ||
    fail "the ${size}px icon has another size"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -qx "Exec=/usr/lib/kestrel-player/kestrel-player-launcher %U" "$root/usr/share/applications/$id.desktop" ||
  fail "the entry does not start the installed launcher with the files it is given"
grep -q "^MimeType=.*audio/mpeg;" "$root/usr/share/applications/$id.desktop" || fail "the entry opens no audio files"
grep -qx "Icon=$id" "$root/usr/share/applications/$id.desktop" || fail "the entry names another icon"
grep -qx "ExecStart=/usr/bin/kestrel-site --port 8351 --listen 127.0.0.1" \
  "$root/usr/lib/systemd/user/kestrel-site.service" || fail "the unit does not run the site on 127.0.0.1:8351"

# The command line needs no display.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kestrel-player" --version)" = "kestrel-player 0.1.0" ] ||
  fail "--version"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kestrel-player" --help | grep -q -- '--version' || fail "--help"

# The launcher of the installed tree (run with --version, so no window):
# first start seeds, a later one keeps the user's changes and adds what
# an older or interrupted seeding left out.
home=$tmp/home
mkdir -p "$home"
launch() {
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" "$@" \
    "$root/usr/lib/kestrel-player/kestrel-player-launcher" --version
}
data=$home/.local/share/kestrel-player
[ "$(launch)" = "kestrel-player 0.1.0" ] || fail "the launcher did not run the player"
[ "$(cd "$data" && find . -type f | sort)" = "$shipped" ] || fail "the first start did not seed $data"
echo "[Плейлист]" > "$data/inet_radio.pls"
rm "$data/DM.jpg" "$data/файлы/a.txt"
launch > /dev/null
[ "$(cat "$data/inet_radio.pls")" = "[Плейлист]" ] || fail "the user's inet_radio.pls was overwritten"
[ -f "$data/DM.jpg" ] && [ -f "$data/файлы/a.txt" ] || fail "a half-seeded folder was not completed"
[ -z "$(find "$data" -name '*.seeding')" ] || fail "seeding left temporary files"

# XDG_DATA_HOME unusable (a file in its place): the player still starts,
# on the shipped files, and says why.
touch "$tmp/not-a-folder"
out=$(launch XDG_DATA_HOME="$tmp/not-a-folder" 2> "$tmp/err") || fail "the launcher failed on an unusable XDG_DATA_HOME"
[ "$out" = "kestrel-player 0.1.0" ] || fail "the player did not run on the shipped files"
grep -q "running on the shipped files" "$tmp/err" || fail "the launcher did not say why"
echo "PASS"
