#!/usr/bin/env bash
# Takes every picture of docs/screenshots/ as a user of the program sees it:
# a private X server (Xvfb) with a window manager (openbox) and a
# notification area (trayer), a fresh demonstration site, the default skin.
# The shared windows and the Logs menu's open-file dialog are shown by
# build/tools/qn3_screenshots; the wait window and the main window by the
# program itself as it starts on the site (QN3_SCREENSHOTS), then the whole
# screen and the framed main window are taken with ImageMagick's import.
# Nothing outside a temporary folder and the output folder is touched.
#   scripts/screenshots.sh [build folder] [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=$(realpath -m "${2:-docs/screenshots}")
mkdir -p "$out"
for tool in Xvfb openbox trayer import xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j3 --target QN3_Tools_Vandrel make_demo_site qn3_screenshots

work=$(mktemp -d)
pids=()
finish() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap finish EXIT

# Waits up to 20 s for a command to succeed.
settle() {
  for _ in $(seq 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "screenshots: gave up waiting for: $*" >&2
  return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
settle test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/runtime" QN3_PREFIX="$work/prefix" QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS # the notification area is the X one

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
settle xprop -root _NET_SUPPORTING_WM_CHECK
trayer --edge bottom --align right --widthtype request --height 28 --SetDockType true \
  --transparent false --tint 0xd0d0d0 >"$work/trayer.log" 2>&1 &
pids+=($!)
settle xdotool search --class trayer

folder=$("$build/tools/make_demo_site" --program "$build/src/engine/QN3_Tools_Vandrel" | sed -n 's/^Program folder: //p')

echo "== shared windows and the log viewer's dialog =="
# Under the program's name, which the error report quotes.
mkdir "$work/tool"
cp "$build/tools/qn3_screenshots" "$work/tool/QN3_Tools_Vandrel"
(cd "$work/tool" && ./QN3_Tools_Vandrel "$out")

echo "== the program on the demonstration site =="
log="$QN3_PREFIX/drive_c/AudioLog/Histo_QN3_Tools_Vandrel/$(date +%Y%m%d).Log"
(cd "$folder" && QN3_SCREENSHOTS="$out" exec ./QN3_Tools_Vandrel) &
program=$!
pids+=("$program")
settle grep -q "Tools Vandrel: Ready" "$log"
sleep 1
import -window root "$out/desktop.png"
import -frame -window "$(xdotool search --onlyvisible --name '^Quillon: Tools VANDREL' | head -n1)" \
  "$out/main_window.png"
kill -TERM "$program"
wait "$program" || true
echo "Pictures in $out:"
ls "$out"
