#!/usr/bin/env bash
# The window program's cost at rest on the simulated board, all sensors normal: CPU over an idle
# stretch, split by process (the program itself, the page engine's renderer, its GPU and other
# helpers), and the proportional memory (PSS) of all of them, each against its target.
# Expects DISPLAY, VORNIO_RUNTIME_DIR and a running vorn-iod (scripts/bench sets them up).
# Usage: bench/window_cost.sh BIN_DIR [SECONDS]
set -euo pipefail
bin="$1"
seconds="${2:-120}"
CPU_TARGET_PERCENT=1
PSS_TARGET_MIB=245
tmp="$(mktemp -d /tmp/vorn-cost.XXXXXX)"
mkdir -m 700 "$tmp/xdg"
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/xdg"
export VORNPILOT_DMI_DIR="$bin/sim/EHF-SIM.dmi" VORNPILOT_POWEROFF_COMMAND=true
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT

shown() { xdotool search --onlyvisible --name '^VORNPILOT Hardware Monitor$' >/dev/null 2>&1; }
descendants() { pstree -pT "$1" | grep -o '([0-9]*)' | tr -d '()'; }
# What a process is: the program, or the page engine's process type.
role() {
    [ "$1" = "$pid" ] && { echo vornpilot; return; }
    local type
    type=$(tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | sed -n 's/^--type=//p' | head -n1)
    echo "engine-${type:-other}"
}
ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

"$bin/vornpilot" 2>"$tmp/window.log" &
pid=$!
until shown; do
    kill -0 $pid 2>/dev/null || { echo "the program ended:"; cat "$tmp/window.log"; exit 1; }
    sleep 0.1
done
sleep 10  # the first passes done, the page settled

declare -A before after roles
for p in $(descendants $pid); do
    before[$p]=$(ticks_of "$p")
    roles[$p]=$(role "$p")
done
sleep "$seconds"
pss=0
for p in $(descendants $pid); do
    after[$p]=$(ticks_of "$p")
    [ -n "${roles[$p]:-}" ] || roles[$p]=$(role "$p")
    kb=$(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0)
    pss=$((pss + ${kb:-0}))
done
hz=$(getconf CLK_TCK)
total=0
declare -A by_role
for p in "${!after[@]}"; do
    used=$((after[$p] - ${before[$p]:-0}))
    total=$((total + used))
    by_role[${roles[$p]}]=$((${by_role[${roles[$p]}]:-0} + used))
done
for r in "${!by_role[@]}"; do
    awk -v r="$r" -v t="${by_role[$r]}" -v hz="$hz" -v s="$seconds" \
        'BEGIN { printf "  %-22s %6.2f %% of one core\n", r, 100 * t / hz / s }'
done | sort
awk -v t="$total" -v hz="$hz" -v s="$seconds" -v target="$CPU_TARGET_PERCENT" 'BEGIN {
    p = 100 * t / hz / s
    printf "idle CPU, all normal, over %d s: %.2f %% of one core (target <= %d %%: %s)\n",
        s, p, target, p <= target ? "met" : "MISSED" }'
awk -v kb="$pss" -v target="$PSS_TARGET_MIB" 'BEGIN {
    m = kb / 1024
    printf "total PSS: %.1f MiB (target <= %d MiB: %s)\n", m, target, m <= target ? "met" : "MISSED" }'
