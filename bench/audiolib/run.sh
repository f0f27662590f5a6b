#!/usr/bin/env bash
# The audio library's figures, medians of several runs:
#   - CPU seconds to play a 60 s 128 kbit/s MP3 through the null output
#     (audiolib_play_null, whole process) against `ffmpeg -i FILE -f null -` decoding
#     the same file in the same run; targets: at most 1% of 60 s, at most
#     twice ffmpeg;
#   - the Google Benchmark figures of bench_audiolib (spectrum call, time to
#     the first sample, memory per stream).
# Usage: bench/audiolib/run.sh [BUILD_DIR]   (default $KESTREL_BUILD_DIR, else build;
#        targets audiolib_play_null and bench_audiolib built)
set -euo pipefail
build=${1:-${KESTREL_BUILD_DIR:-build}}
play=$build/bench/audiolib/audiolib_play_null
gbench=$build/bench/audiolib/bench_audiolib
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# A minute of music-like sound: pink noise under a chord.
sox -n -r 44100 -c 2 -b 16 "$work/a.wav" synth 60 pinknoise vol 0.3 \
    synth 60 sine mix 220 synth 60 sine mix 330 2>/dev/null
lame --quiet --cbr -b 128 "$work/a.wav" "$work/a.mp3"

echo "== CPU to play a 60 s MP3 (3 players at once, each at real-time pace)"
for i in 1 2 3; do "$play" "$work/a.mp3" > "$work/play$i.txt" & done
wait
ours=$(cat "$work"/play?.txt | awk '{print $2}' | median)
cat "$work"/play?.txt

for i in 1 2 3 4 5; do
  /usr/bin/time -f "%U %S" -o "$work/ff$i.txt" ffmpeg -nostdin -v quiet -i "$work/a.mp3" -f null - 
done
peer=$(cat "$work"/ff?.txt | awk '{print $1 + $2}' | median)

awk -v o="$ours" -v p="$peer" 'BEGIN {
  printf "kestrel-audio: median %.3f s CPU = %.2f%% of 60 s (target <= 1%%)\n", o, o / 60 * 100;
  printf "ffmpeg -f null: median %.3f s CPU; ratio %.2f (target <= 2)\n", p, (p > 0 ? o / p : 0) }'

echo "== bench_audiolib: spectrum call and time to first sample (5 repetitions, medians)"
"$gbench" --benchmark_filter='Spectrum|FirstSample' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true 2>/dev/null | grep -E "median|Benchmark|----"
# Memory once, in a fresh process: freed stream memory would be reused by a
# repetition and hide its cost.
echo "== bench_audiolib: resident memory per open stream (16 streams)"
for kind in local_mp3 http_radio; do
  "$gbench" --benchmark_filter="MemoryPerStream/$kind" 2>/dev/null | grep -E "MemoryPerStream"
done
