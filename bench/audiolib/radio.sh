#!/usr/bin/env bash
# A radio station's figures, medians of several runs, the peer in the same run:
#   - from opening to the first sample on a live Icecast2 mount fed by
#     ezstream in real time (burst on connect as Icecast's default): ours
#     (FMOD_System_CreateStream to the first sample handed to the output)
#     against mpv --no-video --ao=null (its "Opening" of the address to
#     "starting audio playback"); targets: at most 300 ms and no slower
#     than mpv; and ours again just after a sound on a server that never
#     answers was created and released unplayed (target: at most 300 ms,
#     as without it);
#   - from a station's server coming back after 3 s away to sound again
#     (tests/support/radio_server.py /drop); target: at most 1.5 s.
# Usage: bench/audiolib/radio.sh [BUILD_DIR] [RUNS]  (default build, 5;
#        target audiolib_radio_timing built; icecast2, ezstream, mpv installed)
set -euo pipefail
build=${1:-${KESTREL_BUILD_DIR:-build}}
runs=${2:-5}
timing=$build/bench/audiolib/audiolib_radio_timing
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

sox -n -r 44100 -c 2 -b 16 "$work/a.wav" synth 30 sine 1000 vol 0.5 2>/dev/null
lame --quiet --cbr -b 128 "$work/a.wav" "$work/a.mp3"
chmod 644 "$work/a.mp3"

. "$here/bench/support/icecast.sh"
icecast_start "$work"
icecast_mount "$work" radio.mp3 "$work/a.mp3"
url="http://127.0.0.1:$icecast_port/radio.mp3"
sleep 2  # the mount's burst buffer fills as it would on a station already on air

[ -n "${RADIO_DEBUG:-}" ] && { curl -s -m 1 -o /dev/null -w 'curl first byte %{time_starttransfer}\n' "$url" || true;
  KESTREL_AUDIO_DEBUG=1 "$timing" first "$url" 2>&1 | grep -v '^\[mp3 @' | tail -25; }
# A server that takes connections and never answers.
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(64); print(s.getsockname()[1], flush=True); time.sleep(3600)' \
  > "$work/dead.txt" & pids+=($!)
for _ in $(seq 50); do [ -s "$work/dead.txt" ] && break; sleep 0.1; done
dead="http://127.0.0.1:$(head -1 "$work/dead.txt")/dead.mp3"

echo "== Opening to first sample on the live Icecast mount ($runs runs each, alternating)"
for i in $(seq "$runs"); do
  "$timing" first "$url" >> "$work/ours.txt"
  "$timing" first "$url" "$dead" >> "$work/after-dead.txt"
  mpv --no-config --no-video --ao=null --msg-time --msg-level=all=v --length=0.5 "$url" 2>&1 |
    awk 'function t() { match($0, /[0-9]+\.[0-9]+/); return substr($0, RSTART, RLENGTH) + 0 }
         /\[ffmpeg\] Opening http/ {o=t()} /starting audio playback/ {s=t()}
         END {if (o && s) printf "%.1f %.1f\n", (s-o)*1000, s*1000}' >> "$work/mpv.txt"
done
ours=$(median < "$work/ours.txt")
peer=$(awk '{print $1}' "$work/mpv.txt" | median)
peer_process=$(awk '{print $2}' "$work/mpv.txt" | median)
echo "kestrel-audio runs (ms): $(tr '\n' ' ' < "$work/ours.txt")"
echo "kestrel-audio after a released dead open, runs (ms): $(tr '\n' ' ' < "$work/after-dead.txt")"
echo "kestrel-audio after a released dead open: median $(median < "$work/after-dead.txt") ms (target <= 300)"
echo "mpv runs (ms, open to audio): $(awk '{printf "%s ", $1}' "$work/mpv.txt")"
awk -v o="$ours" -v p="$peer" -v q="$peer_process" 'BEGIN {
  printf "kestrel-audio: median %.1f ms (target <= 300)\n", o;
  printf "mpv: median %.1f ms from its opening of the address (%.1f ms from its process start); ratio %.2f (target <= 1)\n", p, q, (p > 0 ? o / p : 0) }'

echo "== Server back after 3 s away to sound again (3 runs)"
for i in 1 2 3; do
  log="$work/server$i.log"
  RADIO_SERVER_LOG=$log python3 "$here/tests/support/radio_server.py" "$work/a.mp3" > "$work/port$i.txt" & pids+=($!)
  for _ in $(seq 50); do [ -s "$work/port$i.txt" ] && break; sleep 0.1; done
  "$timing" return "http://127.0.0.1:$(head -1 "$work/port$i.txt")/drop" "$log" >> "$work/return.txt"
done
echo "runs (ms): $(tr '\n' ' ' < "$work/return.txt")"
echo "median $(median < "$work/return.txt") ms (target <= 1500)"
