#!/usr/bin/env bash
# The wizard's idle CPU and screen switches with each GTK renderer, then the
# real nimbrel process idling and hidden, on a virtual display.
#   bench/wizard/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
dir="${NIMBREL_BUILD_DIR:-build}"
cmake --build "$dir" --target wizard_bench nimbrel >/dev/null
sandbox="$(mktemp -d /tmp/nimbrel-bench.XXXXXX)"
trap 'rm -rf "$sandbox"' EXIT
export XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" XDG_CACHE_HOME="$sandbox/cache"
export NIMBREL_MAIN_BUNDLE="$PWD/$dir/Nimbrel.app"
for renderer in cairo gl; do
  GSK_RENDERER=$renderer xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- \
    "$dir/bench/wizard/wizard_bench" "${1:-10}" 2>/dev/null
  echo
done
xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- \
  /usr/bin/python3 bench/wizard/nimbrel_idle.py "$dir/Nimbrel.app/Contents/MacOS/nimbrel" "${1:-10}" 2>/dev/null
