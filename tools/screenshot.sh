#!/usr/bin/env bash
# Takes the README's picture of the window from a real run: starts the demo
# store, checks a small watch list with zelvon-cli (one product has a newer
# version on the store than the one acknowledged), opens the window on a
# private X server, selects that product and saves the screen as a PNG.
#
# Usage: tools/screenshot.sh [BUILD_DIR] [OUTPUT_PNG] [DIALOG_DIR]
#   defaults: build and docs/zelvon-window.png; with DIALOG_DIR the Add
#   Product, Preferences and Network Connection dialogs are saved there too,
#   each opened from the keyboard as a user would.
# The screen is 1280 x 800, a small desktop; the window opens at the size
# and place a user left it, here the whole screen.
# Needs Xvfb and ImageMagick's import; nothing touches your own settings.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN="$PWD/${1:-build}/bin"
OUT="$(realpath -m "${2:-docs/zelvon-window.png}")"
DIALOGS="${3:+$(realpath -m "$3")}"
WATCHED="10412 10527 20104 30311 50213"
NEWER=30311 # acknowledged at an older version, so the check marks it new

fail() { printf 'screenshot: %s\n' "$*" >&2; exit 1; }
for program in zelvon zelvon-cli zelvon-demo-store; do
    [ -x "$BIN/$program" ] || fail "$BIN/$program is missing; build first"
done
command -v Xvfb >/dev/null || fail "Xvfb is needed (apt-get install xvfb)"
command -v import >/dev/null || fail "ImageMagick's import is needed (apt-get install imagemagick)"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zelvon-shot.XXXXXX")
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$WORK/config"
export no_proxy="127.0.0.1,localhost" NO_PROXY="127.0.0.1,localhost"

"$BIN/zelvon-demo-store" --port 0 --appdata "$BIN" >"$WORK/store.out" 2>"$WORK/store.err" &
PIDS+=($!)
for _ in $(seq 1 100); do grep -q '^listening on ' "$WORK/store.out" && break; sleep 0.1; done
STORE="http://$(sed -n "s/^listening on //p" "$WORK/store.out" | head -n1)"
[ "$STORE" != "http://" ] || fail "the demo store did not start"

APP="$WORK/app"
mkdir -p "$APP/cache"
cp -R "$BIN/scripts" "$BIN/data" "$BIN/help" "$BIN/web" "$APP/"
sed -i "s#http://127.0.0.1:[0-9]*#$STORE#g" "$APP/scripts/scripts.txt"
DETAIL_URL=$(sed -n 's/.*<productDetail url="\([^"]*\)".*/\1/p' "$APP/scripts/scripts.txt")
curl -fsS --noproxy '*' --max-time 10 "$STORE/admin/products.tsv" >"$WORK/products.tsv" || fail "no product list from the store"
awk -F'\t' -v ids="$WATCHED" -v newer="$NEWER" -v prefix="$DETAIL_URL" '
    BEGIN { n = split(ids, list, " "); for (i = 1; i <= n; i++) watch[list[i]] = 1
            printf "<vertrel version=\"1.0\">\r\n" }
    ($1 in watch) {
        seen = ($1 == newer) ? "0.9" : $2
        gsub(/&/, "\\&amp;", $3); gsub(/"/, "\\&quot;", $3); gsub(/</, "\\&lt;", $3)
        printf "    <product productURL=\"%s%s\" productID=\"%s\" productName=\"%s\" productCompany=\"\" productVersion=\"%s\"", prefix, $1, $1, $3, seen
        printf " productDate=\"\" productDescription=\"\" previousVersion=\"%s\" lastReload=\"\" isNew=\"0\" keepNew=\"0\" groupType=\"0\"/>\r\n", seen
    }
    END { printf "</vertrel>\r\n" }' "$WORK/products.tsv" >"$APP/cache/productList.txt"
"$BIN/zelvon-cli" --app-folder "$APP" check >/dev/null || fail "the check against the demo store failed"
# New marks last a week; the window fills the screen (no window manager
# runs here to maximise it), and the panes share it as on a first run.
"$BIN/zelvon-cli" settings set-int Prefs LeaveNew 7 >/dev/null
for setting in "WindowX 0" "WindowY 0" "WindowWidth 1280" "WindowHeight 800"; do
    "$BIN/zelvon-cli" settings set-int WindowDefaults $setting >/dev/null
done

DISPLAY_NUMBER=97
while [ -e "/tmp/.X11-unix/X$DISPLAY_NUMBER" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$DISPLAY_NUMBER" ] && break; sleep 0.1; done
WINDOW=
start_window() {
    "$BIN/zelvon" --app-folder "$APP" >>"$WORK/zelvon.log" 2>&1 &
    WINDOW=$!
    PIDS+=("$WINDOW")
    sleep 3.5 # 1.5 s to the filled tree, with room for a slow machine
}
stop_window() {
    kill "$WINDOW" 2>/dev/null || true
    wait "$WINDOW" 2>/dev/null || true
}
key() { python3 "$(dirname "$0")/x_key.py" "$1" || fail "could not send the key press $1"; }

start_window
# The tree has the keyboard focus on "Product Watch List"; the new product
# sorts first, so one press of Down selects it.
key Down
sleep 1
mkdir -p "$(dirname "$OUT")"
import -window root "$OUT"
echo "saved $OUT"

# Each dialog from its menu by mnemonic, in a window of its own: without a
# window manager nobody gives the window the keyboard back after a dialog.
shoot_dialog() { # MENU-KEY ENTRY-KEY NAME
    stop_window
    start_window
    key Down
    key "Alt_L+$1"
    sleep 0.5
    key "$2"
    sleep 1
    import -window root "$DIALOGS/$3.png"
    echo "saved $DIALOGS/$3.png"
    key Escape
}
if [ -n "$DIALOGS" ]; then
    mkdir -p "$DIALOGS"
    shoot_dialog f a add-product
    shoot_dialog o p preferences
    shoot_dialog o n network-connection
fi
