#!/usr/bin/env bash
# Start-up and a long idle run of the window program on the simulated board: the time from
# process start to the window on screen with live values (it is shown only after the first
# status update), over several starts; then, after SOAK seconds, the resident memory of the
# program and of all its page engine processes, and the CPU it used meanwhile (no idle run when
# SOAK is 0).
# Expects DISPLAY, VORNIO_RUNTIME_DIR and a running vorn-iod (scripts/bench sets them up).
# Usage: bench/window_startup.sh BIN_DIR [STARTS] [SOAK_SECONDS]
set -euo pipefail
bin="$1"
starts="${2:-5}"
soak="${3:-600}"
tmp="$(mktemp -d /tmp/vorn-start.XXXXXX)"
mkdir -m 700 "$tmp/xdg"
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/xdg"
export VORNPILOT_DMI_DIR="$bin/sim/EHF-SIM.dmi" VORNPILOT_POWEROFF_COMMAND=true
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT

shown() { xdotool search --onlyvisible --name '^VORNPILOT Hardware Monitor$' >/dev/null 2>&1; }
descendants() { pstree -pT "$1" | grep -o '([0-9]*)' | tr -d '()'; }

times=()
for _ in $(seq "$starts"); do
    start=$(date +%s%N)
    "$bin/vornpilot" 2>"$tmp/start.log" &
    pid=$!
    until shown; do
        kill -0 $pid 2>/dev/null || { echo "the program ended:"; cat "$tmp/start.log"; exit 1; }
        sleep 0.02
    done
    times+=($(( ($(date +%s%N) - start) / 1000000 )))
    kill -TERM $pid; wait $pid || true
    pid=""
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
START_TARGET_MS=1500
printf 'start to window with live values: %s ms (median of %d: %s) (target <= %d ms: %s)\n' \
    "$median" "$starts" "${times[*]}" "$START_TARGET_MS" \
    "$([ "$median" -le "$START_TARGET_MS" ] && echo met || echo MISSED)"

[ "$soak" -gt 0 ] || exit 0
"$bin/vornpilot" 2>"$tmp/soak.log" &
pid=$!
until shown; do
    kill -0 $pid 2>/dev/null || { echo "the program ended:"; cat "$tmp/soak.log"; exit 1; }
    sleep 0.1
done
ticks0=0; for p in $(descendants $pid); do ticks0=$((ticks0 + $(awk '{print $14+$15}' /proc/$p/stat))); done
sleep "$soak"
ticks1=0; rss_engine=0
for p in $(descendants $pid); do
    ticks1=$((ticks1 + $(awk '{print $14+$15}' /proc/$p/stat)))
    [ "$p" != "$pid" ] && rss_engine=$((rss_engine + $(awk '/VmRSS/ {print $2}' /proc/$p/status)))
done
rss_main=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
hz=$(getconf CLK_TCK)
echo "after ${soak} s: program ${rss_main} kB resident, page engine processes ${rss_engine} kB in total"
awk -v t=$((ticks1 - ticks0)) -v hz="$hz" -v s="$soak" \
    'BEGIN { printf "CPU over %d idle seconds: %.2f s = %.2f %% of one core\n", s, t / hz, 100 * t / hz / s }'
