# Helpers shared by the journeys of the installed program: fixtures, the
# search site, the player's window, and waiting by state with a bound.
# Sourced; the caller sets `tmp` (its scratch folder) and traps cleanup.

# The toolkit and the sound client make their runtime folders here, not in
# the system's temporary folder where nobody removes them; the player keeps
# its settings here, not in the user's.
export XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_HOME="$tmp/config"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while [ "$tries" -gt 0 ]; do
    "$@" > /dev/null 2>&1 && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# make_track FILE ARTIST TITLE HERTZ: a 30-second tagged MP3.
make_track() {
  sox -q -n -r 44100 -c 2 "$1.wav" synth 30 sine "$4" gain -n -12
  LC_ALL=C.UTF-8 lame --quiet -b 96 --ta "$2" --tt "$3" "$1.wav" "$1"
  rm -f "$1.wav"
}

# sounds WAV: the player's WAV output (16-bit stereo) ends in audible sound.
sounds() {
  python3 - "$1" << 'PY'
import math, os, struct, sys
with open(sys.argv[1], "rb") as f:
    f.seek(max(44, os.path.getsize(sys.argv[1]) - 4 * 4096))
    data = f.read()
values = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])[::2]
sys.exit(0 if values and math.sqrt(sum(v * v for v in values) / len(values)) / 32768 > 0.02 else 1)
PY
}

# start_site BINARY FOLDER: kestrel-site on a free loopback port; sets
# site_pid and site_url.
start_site() {
  "$1" --port 0 --listen 127.0.0.1 --db "$tmp/site-index.sqlite" "$2" > "$tmp/site.out" 2> "$tmp/site.log" < /dev/null &
  site_pid=$!
  wait_for 60 test -s "$tmp/site.out" || fail "kestrel-site did not start: $(cat "$tmp/site.log")"
  site_url=$(head -n1 "$tmp/site.out")
}

# find_window: the player's main window id and its position (win, win_x, win_y).
find_window() {
  wait_for 30 xdotool search --onlyvisible --name 'Поиск MP3' || fail "no player window appeared"
  win=$(xdotool search --onlyvisible --name 'Поиск MP3' | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^X=/win_x=/p; s/^Y=/win_y=/p')"
}

# click X Y [COUNT]: real clicks at a point of the main window.
click() {
  xdotool mousemove $((win_x + $1)) $((win_y + $2)) click --repeat "${3:-1}" --delay 80 1
}

# region_hash X Y W H: a hash of the window's pixels in that rectangle.
region_hash() {
  import -window root "$tmp/shot.png"
  convert "$tmp/shot.png" -crop "$3x$4+$((win_x + $1))+$((win_y + $2))" +repage -format '%#' info:
}

# looks AREA HASH / looks_other_than AREA HASH: AREA is a function printing a
# region_hash, read afresh on each try of wait_for.
looks() { [ "$("$1")" = "$2" ]; }
looks_other_than() { [ "$("$1")" != "$2" ]; }

# search_then ACTION CHECK...: searches with the field's text, then repeats
# ACTION (it takes once the result list has filled) until CHECK holds.
search_then() {
  local action=$1
  shift
  click 258 38  # SearchButton
  local tries=30
  while [ "$tries" -gt 0 ]; do
    eval "$action"
    wait_for 1 "$@" && return 0
    tries=$((tries - 1))
  done
  return 1
}
