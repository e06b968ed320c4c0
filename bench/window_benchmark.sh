#!/usr/bin/env bash
# The window's costs, on the offscreen platform against the demo store with
# a 50-product watch list: time to the first painted frame, time until the
# tree is filled (after its 1.5 s timer), resident memory when idle, and a
# Reload All From Web of the 50 products with a fixed latency per request:
# one download at a time beside its budget of 1.1 x 50 x latency plus the
# two list downloads, and eight at once beside `zelvon-cli check
# --reload-all` (its default jobs, the same pages and lists, the same run),
# whose time it should stay within 1.15 times.
#
# Usage: bench/window_benchmark.sh [BUILD_DIR] [LATENCY_MS]   (default build, 200)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_app_folder.sh

BUILD_DIR=${1:-build}
LATENCY=${2:-200}
BIN="$PWD/$BUILD_DIR/bin"
PRODUCTS=50
for program in zelvon zelvon-cli zelvon-demo-store; do
    [ -x "$BIN/$program" ] || { echo "window_benchmark: $BIN/$program is missing; build first" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zelvon-window-bench.XXXXXX")
STORE_PID=""
cleanup() {
    if [ -n "$STORE_PID" ]; then kill "$STORE_PID" 2>/dev/null || true; wait "$STORE_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$WORK/config"
export no_proxy="127.0.0.1,localhost" NO_PROXY="127.0.0.1,localhost"
export QT_QPA_PLATFORM=offscreen

"$BIN/zelvon-demo-store" --port 0 --latency "$LATENCY" --appdata "$BIN" >"$WORK/store.out" 2>"$WORK/store.err" &
STORE_PID=$!
for _ in $(seq 1 100); do grep -q '^listening on ' "$WORK/store.out" && break; sleep 0.1; done
STORE=$(sed -n 's/^listening on \(.*\)$/http:\/\/\1/p' "$WORK/store.out")
[ -n "$STORE" ] || { echo "window_benchmark: the demo store did not start" >&2; exit 1; }

APP="$WORK/app"
mkdir -p "$XDG_CONFIG_HOME/Tervane"
bench_app_folder "$BIN" "$STORE" "$APP" "$PRODUCTS"
# One window run: Reload All From Web at start, DownloadsAtOnce as given.
window_run() {
    printf '[Prefs]\nReloadOnStart=1\nDownloadsAtOnce=%s\n' "$1" >"$XDG_CONFIG_HOME/Tervane/Zelvon.conf"
    ZELVON_TIMING=quit-after-run timeout 120 "$BIN/zelvon" --app-folder "$APP" 2>"$WORK/timing.txt" >/dev/null ||
        { cat "$WORK/timing.txt" >&2; echo "window_benchmark: the window did not finish its run" >&2; exit 1; }
}
value() { sed -n "s/^$1 //p" "$WORK/timing.txt" | head -n1; }

window_run 1
FIRST=$(value first_frame_ms)
FILLED=$(value tree_filled_ms)
RSS=$(value idle_rss_kb)
RUN=$(value update_run_ms)
window_run 8
RUN8=$(value update_run_ms)
START=$(date +%s%N)
"$BIN/zelvon-cli" --app-folder "$APP" check --reload-all >"$WORK/check.out" 2>&1 ||
    { cat "$WORK/check.out" >&2; echo "window_benchmark: zelvon-cli check failed" >&2; exit 1; }
CLI=$((($(date +%s%N) - START) / 1000000))

BUDGET=$((PRODUCTS * LATENCY * 11 / 10 + 2 * LATENCY))
printf 'first frame:          %6s ms   (aim: under 300)\n' "$FIRST"
printf 'tree filled:          %6s ms   (1500 ms timer included)\n' "$FILLED"
printf 'idle resident memory: %6s MB   (aim: under 60)\n' "$((RSS / 1024))"
printf 'reload all, %d x %d ms, 1 at once: %6s ms   (budget %d ms, store lists included)\n' "$PRODUCTS" "$LATENCY" "$RUN" "$BUDGET"
printf 'reload all, %d x %d ms, 8 at once: %6s ms   (budget 1.15 x check --reload-all: %d ms of %d ms)\n' \
    "$PRODUCTS" "$LATENCY" "$RUN8" "$((CLI * 115 / 100))" "$CLI"
