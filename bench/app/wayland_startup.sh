#!/usr/bin/env bash
# Start-up to a shown window, native Wayland (a headless Weston) against X11
# (a virtual X server), interleaved in the same run, median of 7 each.
#   X11:     until the program reports its window shown (after one loop pass).
#   Wayland: until the program commits the window's first frame to the
#            compositor (seen in the client's protocol log); the X11 report
#            comes before the compositor has configured the window, so on
#            Wayland it would flatter.
# Target: Wayland within 20 % of X11.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KESTREL_BUILD_DIR:-$root/build}
player="$build/kestrel-player"
work=$(mktemp -d)
runtime=$(mktemp -d)  # mode 0700, as Wayland requires
weston_pid=""
cleanup() {
  if [ -n "$weston_pid" ]; then kill "$weston_pid" 2>/dev/null || true; wait "$weston_pid" 2>/dev/null || true; fi
  rm -rf "$work" "$runtime"
}
trap cleanup EXIT
cp -r "$root/data/." "$work/"
cd "$work"
# The player keeps its settings in the run, not in the user's.
export KESTREL_AUTO_OK=1 KESTREL_SITE_URL=http://127.0.0.1:9/ XDG_CONFIG_HOME="$work/config"

socket=kestrel-bench-$$
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 \
  --socket="$socket" --no-config --log="$work/weston.log" &
weston_pid=$!
for _ in $(seq 100); do [ -S "$runtime/$socket" ] && break; sleep 0.1; done
if [ ! -S "$runtime/$socket" ]; then
  echo "wayland start-up: Weston did not start; skipped"; cat "$work/weston.log"; exit 0
fi

XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket \
  xvfb-run -a -s "-screen 0 1280x1024x24" python3 - "$player" <<'PY'
import os, re, statistics, subprocess, sys, time

player = sys.argv[1]
frame = re.compile(rb"-> wl_surface@\d+\.attach\(wl_buffer@")

def x11():
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", KESTREL_EXIT_WHEN_SHOWN="1")
    env.pop("WAYLAND_DISPLAY")
    start = time.monotonic()
    p = subprocess.Popen([player], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = p.stdout.readline()
    elapsed = (time.monotonic() - start) * 1000
    p.wait()
    return elapsed if line.strip() == b"shown" else None

def wayland():
    env = dict(os.environ, QT_QPA_PLATFORM="wayland", WAYLAND_DEBUG="client")
    env.pop("DISPLAY")
    start = time.monotonic()
    p = subprocess.Popen([player], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    elapsed = None
    for line in p.stderr:
        if frame.search(line):
            elapsed = (time.monotonic() - start) * 1000
            break
    p.terminate()
    p.communicate()
    return elapsed

samples = {"X11": [], "Wayland": []}
for _ in range(7):
    for name, run in (("X11", x11), ("Wayland", wayland)):
        value = run()
        if value is not None:
            samples[name].append(value)
for name, values in samples.items():
    print(f"start-up to a shown window on {name}: median {statistics.median(values):.1f} ms "
          f"(min {min(values):.1f}, max {max(values):.1f}, n={len(values)})")
ratio = statistics.median(samples["Wayland"]) / statistics.median(samples["X11"])
print(f"Wayland / X11: {ratio:.2f} (target <= 1.20)")
PY
