#!/usr/bin/env bash
# Serving one large file on loopback: kestrel-site against python3 -m http.server,
# both over the same folder in the same run, fetched alternately with curl.
#
#   bench/site/serve.sh [BUILD_DIR] [SIZE_MB] [RUNS]
#
# Defaults: $KESTREL_BUILD_DIR or build/ of this checkout, 80 MB, 7 runs.
#
# Prints the median time and speed of each and their ratio; exits 1 when the
# site is more than 10% slower than the Python server.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${KESTREL_BUILD_DIR:-$root/build}}
size_mb=${2:-80}
runs=${3:-7}
bin=${KESTREL_SITE_BIN:-$build/kestrel-site}
[ -x "$bin" ] || { echo "serve.sh: no $bin (build the kestrel-site target)" >&2; exit 2; }

work=$(mktemp -d)
site_pid=""
py_pid=""
cleanup() {
  local status=$?
  for pid in $site_pid $py_pid; do
    kill "$pid" 2> /dev/null || true
    wait "$pid" 2> /dev/null || true
  done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

mkdir "$work/music"
# A real MP3 stream (ten seconds of noise, repeated) rather than random bytes:
# the tag reader would search random bytes for frames a long time.
sox -q -n -r 44100 -c 2 "$work/piece.wav" synth 10 whitenoise gain -10
lame --quiet -b 320 "$work/piece.wav" "$work/piece.mp3"
piece=$(stat -c %s "$work/piece.mp3")
for _ in $(seq $(((size_mb * 1024 * 1024 + piece - 1) / piece))); do cat "$work/piece.mp3"; done > "$work/music/big.mp3"
bytes=$(stat -c %s "$work/music/big.mp3")

"$bin" --port 0 "$work/music" > "$work/site.url" 2> "$work/site.log" &
site_pid=$!
for _ in $(seq 600); do [ -s "$work/site.url" ] && break; sleep 0.1; done
base=$(head -n1 "$work/site.url")
[ -n "$base" ] || { echo "serve.sh: kestrel-site did not start" >&2; cat "$work/site.log" >&2; exit 2; }
site_url=$(curl -s "${base}search.php?p=1&v=0&q=big&x=32&y=15" | grep -o 'href="[^"]*big.mp3"' | head -n1 | cut -d'"' -f2)

py_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$py_port" --bind 127.0.0.1 --directory "$work/music" > /dev/null 2>&1 &
py_pid=$!
py_url="http://127.0.0.1:$py_port/big.mp3"
for _ in $(seq 100); do curl -s -o /dev/null -r 0-0 "$py_url" && break; sleep 0.1; done

# One fetch: prints its time in seconds, after checking that every byte came.
fetch() {
  local out
  out=$(curl -s -o /dev/null -w '%{size_download} %{time_total}' "$1")
  [ "${out% *}" = "$bytes" ] || { echo "serve.sh: short download from $1: $out" >&2; exit 1; }
  echo "${out#* }"
}

site_times=()
py_times=()
fetch "$site_url" > /dev/null  # warm the page cache and both servers
fetch "$py_url" > /dev/null
for _ in $(seq "$runs"); do
  site_times+=("$(fetch "$site_url")")
  py_times+=("$(fetch "$py_url")")
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
site_med=$(median "${site_times[@]}")
py_med=$(median "${py_times[@]}")

awk -v s="$site_med" -v p="$py_med" -v b="$bytes" -v n="$runs" 'BEGIN {
  mb = b / 1048576
  printf "file %.0f MB, %d fetches each, medians:\n", mb, n
  printf "  kestrel-site        %.4f s  %8.1f MB/s\n", s, mb / s
  printf "  python3 http.server %.4f s  %8.1f MB/s\n", p, mb / p
  printf "  time ratio site/python %.3f (target <= 1.10)\n", s / p
  exit (s / p <= 1.10) ? 0 : 1
}'
