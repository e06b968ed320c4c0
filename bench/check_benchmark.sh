#!/usr/bin/env bash
# How long `zelvon-cli check` takes over 50 products against the demo store
# with a fixed latency per request: one download at a time (--jobs 1), the
# default number of parallel downloads and ten at once, each beside its floor
# ceil(50 / jobs) x latency, with the ratio. A second store without latency
# shows the cost per product besides the download.
#
# Usage: bench/check_benchmark.sh [BUILD_DIR] [LATENCY_MS]   (default build, 200)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_app_folder.sh

BUILD_DIR=${1:-build}
LATENCY=${2:-200}
BIN="$PWD/$BUILD_DIR/bin"
PRODUCTS=50
DEFAULT_JOBS=8
for program in zelvon-cli zelvon-demo-store; do
    [ -x "$BIN/$program" ] || { echo "check_benchmark: $BIN/$program is missing; build first" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zelvon-check-bench.XXXXXX")
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$WORK/config"
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"

# Starts a store on a free port with the given latency (in this shell, so
# the clean-up knows its process).
start_store() {
    "$BIN/zelvon-demo-store" --port 0 --latency "$1" --appdata "$BIN" >"$WORK/store-$1.out" 2>"$WORK/store-$1.err" &
    PIDS+=($!)
}
# The address of the store started with that latency, once it listens.
store_address() {
    local out="$WORK/store-$1.out"
    for _ in $(seq 1 100); do
        grep -q '^listening on ' "$out" && break
        sleep 0.1
    done
    sed -n 's/^listening on \(.*\)$/http:\/\/\1/p' "$out"
}

# An application folder whose watch list holds the store's first 50
# products, every version already acknowledged.
make_app() { bench_app_folder "$BIN" "$1" "$2" "$PRODUCTS"; }

# Milliseconds one check takes; the check must succeed.
time_check() {
    local app=$1
    shift
    local start end
    start=$(date +%s%N)
    "$BIN/zelvon-cli" --app-folder "$app" check "$@" >"$WORK/check.out" 2>&1 ||
        { cat "$WORK/check.out" >&2; echo "check_benchmark: the check failed" >&2; exit 1; }
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

start_store "$LATENCY"
start_store 0
SLOW=$(store_address "$LATENCY")
FAST=$(store_address 0)
[ -n "$SLOW" ] && [ -n "$FAST" ] || { echo "check_benchmark: the demo store did not start" >&2; exit 1; }
make_app "$SLOW" "$WORK/slow"
make_app "$FAST" "$WORK/fast"
time_check "$WORK/slow" --jobs 2 >/dev/null # warm the page cache and the store

echo "check over $PRODUCTS products, demo store latency $LATENCY ms"
printf '%-22s %10s %10s %7s\n' run "time ms" "floor ms" ratio
report() {
    local label=$1 jobs=$2 ms=$3
    local floor=$((((PRODUCTS + jobs - 1) / jobs) * LATENCY))
    awk -v l="$label" -v t="$ms" -v f="$floor" 'BEGIN { printf "%-22s %10d %10d %7.3f\n", l, t, f, (f > 0 ? t / f : 0) }'
}
report "check --jobs 1" 1 "$(time_check "$WORK/slow" --jobs 1)"
report "check (--jobs $DEFAULT_JOBS)" "$DEFAULT_JOBS" "$(time_check "$WORK/slow")"
# More clients at once than cpp-httplib's default listen backlog of 5: the
# store must take them all without dropping one (a dropped connection is
# retried a second later and shows as a ratio well above 1).
report "check --jobs 10" 10 "$(time_check "$WORK/slow" --jobs 10)"

echo
echo "latency 0: cost per product, download included"
for jobs in 1 "$DEFAULT_JOBS"; do
    ms=$(time_check "$WORK/fast" --jobs "$jobs")
    awk -v j="$jobs" -v t="$ms" -v n="$PRODUCTS" 'BEGIN { printf "check --jobs %-9s %10d ms total %7.2f ms per product\n", j, t, t / n }'
done
