#!/usr/bin/env bash
# Zelvon's main job, end to end, against the bundled Wareloft demo store:
# build, start the store on its fixed port, add a product by name to a
# watch list of ten, check the eleven (nothing is new), publish new
# versions of three of them on the store, check again (exactly those three
# are new), stop the store. With a display (DISPLAY or WAYLAND_DISPLAY) the
# second check runs in the window instead: it opens on the same watch list,
# checks every product three seconds after start, and the demo goes on when
# you close it.
# Everything else happens in a scratch folder that is removed at the end;
# your own settings are not touched. Exits non-zero when any step fails.
#
# Usage: tools/demo.sh [--headless] [--no-build] [BUILD_DIR]
#   --headless  the command-line run even when a display is available
#   --no-build  use the programs already built in BUILD_DIR (default build)
set -euo pipefail
cd "$(dirname "$0")/.."

WINDOW=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    WINDOW=1
fi
if [ "${1:-}" = "--headless" ]; then
    WINDOW=0
    shift
fi
BUILD=1
if [ "${1:-}" = "--no-build" ]; then
    BUILD=0
    shift
fi
BUILD_DIR=${1:-build}
BIN="$PWD/$BUILD_DIR/bin"
PORT=47815
STORE="http://127.0.0.1:$PORT"
# Watched: accented and non-Latin names, an apostrophe, pages in UTF-8 and
# in Windows-1252. Updated: one of each kind of page.
WATCHED="10412 10527 10549 20104 20117 30311 30325 50213 70104 80107"
UPDATED="10412 30325 70104"

fail() {
    printf 'demo: %s\n' "$*" >&2
    exit 1
}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zelvon-demo.XXXXXX")
STORE_PID=""
cleanup() {
    if [ -n "$STORE_PID" ] && kill -0 "$STORE_PID" 2>/dev/null; then
        kill "$STORE_PID" 2>/dev/null || true
        wait "$STORE_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ "$BUILD" = 1 ]; then
    # The package installation and the compiler's progress lines are kept
    # out of sight; they are shown only when the build fails.
    echo "== Installing what is missing and building into $BUILD_DIR/ (a few minutes on a fresh machine)"
    if ! bash tools/setup.sh "$BUILD_DIR" >"$WORK/build.log" 2>&1; then
        tail -n 40 "$WORK/build.log" >&2
        fail "the build failed"
    fi
fi
for program in zelvon-cli zelvon-demo-store; do
    [ -x "$BIN/$program" ] || fail "$BIN/$program is missing; build first"
done
# Installed by the setup above on a fresh machine.
command -v curl >/dev/null || fail "curl is needed to talk to the demo store (apt-get install curl)"

# A private settings file, and no proxy between us and the local store.
export XDG_CONFIG_HOME="$WORK/config"
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"
http_get() { curl -fsS --noproxy '*' --max-time 10 "$@"; }

echo
echo "== Starting the Wareloft demo store on $STORE"
: >"$WORK/store.out"
"$BIN/zelvon-demo-store" --port "$PORT" --appdata "$BIN" >"$WORK/store.out" 2>"$WORK/store.err" &
STORE_PID=$!
# The store prints its address only once it holds the port, so a program
# already listening there is never taken for it. Wait at most 10 seconds.
for _ in $(seq 1 100); do
    grep -q '^listening on ' "$WORK/store.out" && break
    if ! kill -0 "$STORE_PID" 2>/dev/null; then
        cat "$WORK/store.err" >&2
        STORE_PID=""
        fail "the demo store did not start"
    fi
    sleep 0.1
done
grep -q '^listening on ' "$WORK/store.out" || fail "the demo store did not start within 10 seconds"
http_get -o /dev/null "$STORE/" || fail "the demo store does not answer"

APP="$WORK/app"
mkdir -p "$APP/cache"
cp -R "$BIN/scripts" "$BIN/data" "$BIN/help" "$BIN/web" "$APP/"
cli() { "$BIN/zelvon-cli" --app-folder "$APP" "$@"; }

# The watch list: the ten products as the store shows them today, each
# version already acknowledged. Product pages are addressed the way the
# shipped catalogue says.
DETAIL_URL=$(sed -n 's/.*<productDetail url="\([^"]*\)".*/\1/p' "$APP/scripts/scripts.txt")
[ -n "$DETAIL_URL" ] || fail "the script catalogue names no product page address"
http_get "$STORE/admin/products.tsv" >"$WORK/products.tsv" || fail "could not read the store's product list"
awk -F'\t' -v ids="$WATCHED" -v prefix="$DETAIL_URL" '
    function esc(s) {
        gsub(/&/, "\\&amp;", s); gsub(/</, "\\&lt;", s); gsub(/>/, "\\&gt;", s)
        gsub(/"/, "\\&quot;", s); gsub(/\047/, "\\&#039;", s)
        return s
    }
    BEGIN {
        wanted = split(ids, list, " ")
        for (i = 1; i <= wanted; i++) watch[list[i]] = 1
        printf "<vertrel version=\"1.0\">\r\n"
    }
    ($1 in watch) {
        printf "    <product productURL=\"%s\" productID=\"%s\" productName=\"%s\" productCompany=\"\"", esc(prefix $1), $1, esc($3)
        printf " productVersion=\"%s\" productDate=\"\" productDescription=\"\" previousVersion=\"%s\"", esc($2), esc($2)
        printf " lastReload=\"\" isNew=\"0\" keepNew=\"0\" groupType=\"0\"/>\r\n"
        found++
    }
    END {
        printf "</vertrel>\r\n"
        if (found != wanted) exit 1
    }' "$WORK/products.tsv" >"$APP/cache/productList.txt" || fail "the store does not carry every product of the sample watch list"

# One more product the way a user adds one: a search by name with exactly
# one match on the store. It starts as seen, with the store's current data.
ADDED_NAME="puzzles daily"
echo
echo "== Adding a product by name: zelvon-cli add --name \"$ADDED_NAME\""
cli add --name "$ADDED_NAME" || fail "adding a product by name failed"
grep -q 'productName="Chess Puzzles Daily"' "$APP/cache/productList.txt" || fail "the added product is not on the watch list"

new_ids() { grep 'isNew="1"' "$APP/cache/productList.txt" | sed -n 's/.* productID="\([^"]*\)".*/\1/p' | sort | tr '\n' ' '; }

echo
echo "== Checking $(grep -c '<product ' "$APP/cache/productList.txt") watched products (every version is already known)"
cli check || fail "the first check reported failures"
[ -z "$(new_ids)" ] || fail "the first check marked products new: $(new_ids)"

echo
echo "== The store publishes new versions of three products"
for id in $UPDATED; do
    published=$(http_get --data '' "$STORE/admin/publish?id=$id") || fail "could not publish a new version of $id"
    printf '%s\n' "$published" | awk -F'\t' '{ printf "   %s is now at version %s\n", $3, $2 }'
done

echo
if [ "$WINDOW" = 1 ]; then
    [ -x "$BIN/zelvon" ] || fail "$BIN/zelvon is missing; build the window or run with --headless"
    # The settings file is the demo's own (XDG_CONFIG_HOME above).
    cli settings set-int Prefs ReloadOnStart 1 >/dev/null
    cli settings set-int Prefs LeaveNew 7 >/dev/null
    echo "== Checking again in the window: it reloads every product 3 seconds after it opens."
    echo "   Look at the products marked with a star, then close the window to finish."
    "$BIN/zelvon" --app-folder "$APP" || fail "the window ended with an error"
else
    echo "== Checking again"
    cli check || fail "the second check reported failures"
fi

expected=$(printf '%s\n' $UPDATED | sort | tr '\n' ' ')
[ "$(new_ids)" = "$expected" ] || fail "expected exactly $expected to be new, found: $(new_ids)"
echo
echo "Demo passed: exactly the three products with new versions on the store are marked new."
