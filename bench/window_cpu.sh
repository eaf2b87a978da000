#!/usr/bin/env bash
# CPU use of the whole window program (vornpilot and the page engine's processes) over one idle
# minute on the simulated board: all sensors normal, then one in warning (the banner blinking).
# Expects DISPLAY, VORNIO_RUNTIME_DIR and a running vorn-iod (scripts/bench sets them up).
# Usage: bench/window_cpu.sh BIN_DIR [SECONDS]
set -euo pipefail
bin="$1"
seconds="${2:-60}"
tmp="$(mktemp -d /tmp/vorn-cpu.XXXXXX)"
mkdir -m 700 "$tmp/xdg"
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/xdg"
export VORNPILOT_DMI_DIR="$bin/sim/EHF-SIM.dmi" VORNPILOT_POWEROFF_COMMAND=true
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"

# Clock ticks used by a process and all its descendants.
ticks() {
    local total=0 pid
    for pid in $(pstree -pT "$1" | grep -o '([0-9]*)' | tr -d '()'); do
        [ -r "/proc/$pid/stat" ] || continue
        total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
    done
    echo "$total"
}

measure() {
    local label="$1" before after hz
    hz=$(getconf CLK_TCK)
    before=$(ticks "$pid")
    sleep "$seconds"
    after=$(ticks "$pid")
    awk -v l="$label" -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
        'BEGIN { printf "%-28s %6.2f s CPU in %d s = %5.2f %% of one core\n", l, t / hz, s, 100 * t / hz / s }'
}

"$bin/vornpilot" --window 2>"$tmp/window.log" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; "$bin/vornsim" release CPUTEMPERATURE >/dev/null 2>&1; rm -rf "$tmp"' EXIT
sleep 10  # page engine up, skin loaded, first passes done
measure "window, all normal"
"$bin/vornsim" set CPUTEMPERATURE 95 >/dev/null
sleep 4
measure "window, one in warning"
