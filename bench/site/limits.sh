#!/usr/bin/env bash
# kestrel-site under a burst of new files, files added during rescans, 100
# slow clients beside the player's searches and 1000 requests at once: see
# limits.py for what is measured and the targets.
#
#   bench/site/limits.sh [BUILD_DIR] [--runs R] [--burst N]
#
# Defaults: $KESTREL_BUILD_DIR or build/ of this checkout, 10 runs of a
# burst of 10,000. Exits 1 when a run misses a target.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KESTREL_BUILD_DIR:-$root/build}
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
exec python3 "$root/bench/site/limits.py" "$build" "$@"
