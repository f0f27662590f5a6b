"""What the benchmarks that drive the player's window share: xdotool, the
main window, and stopping a process."""

import subprocess
import time


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def stop(p):
    """Asks `p` to end, then ends it."""
    p.terminate()
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()


def main_window(who):
    """The player's main window; `who` names the benchmark when it does not appear."""
    for _ in range(100):
        found = xdo("search", "--onlyvisible", "--name", "^Поиск MP3 на")
        if found:
            return found.splitlines()[0]
        time.sleep(0.1)
    raise SystemExit(who + ": the player's window did not appear")
