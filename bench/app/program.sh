#!/usr/bin/env bash
# Whole-process figures of the player on a virtual X server:
#   start-up to a visible window (median of 7 runs, message boxes answered at once),
#   CPU used while idle for 30 s (percent of one core), resident memory when idle.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KESTREL_BUILD_DIR:-$root/build}
player="$build/kestrel-player"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/data/." "$work/"
cd "$work"
# The player keeps its settings in the run, not in the user's.
export KESTREL_AUTO_OK=1 KESTREL_SITE_URL=http://127.0.0.1:9/ XDG_CONFIG_HOME="$work/config"

xvfb-run -a -s "-screen 0 1280x1024x24" python3 - "$player" <<'PY'
import os, statistics, subprocess, sys, time

player = sys.argv[1]
env = dict(os.environ, KESTREL_EXIT_WHEN_SHOWN="1")
samples = []
for _ in range(7):
    start = time.monotonic()
    p = subprocess.Popen([player], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = p.stdout.readline()
    elapsed = (time.monotonic() - start) * 1000
    p.wait()
    if line.strip() == b"shown":
        samples.append(elapsed)
print(f"start-up to visible window: median {statistics.median(samples):.1f} ms "
      f"(min {min(samples):.1f}, max {max(samples):.1f}, n={len(samples)}; target <= 300 ms)")

tick = os.sysconf("SC_CLK_TCK")
p = subprocess.Popen([player], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(3)  # let start-up finish

def cpu():
    fields = open(f"/proc/{p.pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / tick

c0, t0 = cpu(), time.monotonic()
time.sleep(30)
c1, t1 = cpu(), time.monotonic()
rss = 0
for line in open(f"/proc/{p.pid}/status"):
    if line.startswith("VmRSS:"):
        rss = int(line.split()[1]) / 1024
p.terminate()
p.wait()
print(f"idle for {t1 - t0:.0f} s: {100 * (c1 - c0) / (t1 - t0):.2f} % of one core (target <= 1 %)")
print(f"resident memory when idle: {rss:.1f} MB (target <= 80 MB)")
PY
