#!/usr/bin/env bash
# make screenshots: the pictures in docs/images/, taken from qel under a headless display of its own
# (1024x768, always, so that every picture looks the same wherever it is taken).
# Usage: [BUILD=dir] scripts/screenshots.sh
#
# One line a picture, at the end of this file:
#     shot NAME WINDOW SECONDS QEL-ARGUMENTS...
# runs qel with the arguments, waits until a window titled WINDOW shows, then SECONDS more, and writes
# docs/images/NAME.png: that window, or the whole screen when WINDOW is written screen:TITLE (to catch
# what is drawn outside the window). qel is ended once the picture is taken.
#     burst NAME TITLE COUNT QEL-ARGUMENTS...
# catches something that moves: takes pictures of the whole screen in a row from the start of qel until
# COUNT have been taken since a window titled TITLE showed, over eight runs, and keeps the one with the
# most detail (the largest PNG).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
"$QEL_ROOT/scripts/deps.sh" screenshots
qel_headless bash "$0" "$@"
cd "$QEL_ROOT"

exe=$QEL_BUILD/tools/qel.exe
[[ -f $exe ]] || { echo "screenshots: $exe is not built; run 'make build' first." >&2; exit 1; }
mkdir -p docs/images

qel_wine_prefix
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
qel_wine_boot

shot() {
  local name=$1 window=$2 settle=$3
  shift 3
  local title=${window#screen:}
  wine "$exe" "$@" >/dev/null 2>&1 &
  local pid=$! tries=0
  until xwininfo -name "$title" >/dev/null 2>&1; do
    if ((++tries > 200)) || ! kill -0 "$pid" 2>/dev/null; then
      echo "screenshots: $name: no window '$title' appeared" >&2
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      return 1
    fi
    sleep 0.1
  done
  sleep "$settle"
  local source=(-name "$title")
  [[ $window == screen:* ]] && source=(-root)
  xwd -silent "${source[@]}" | xwdtopnm 2>/dev/null | pnmtopng >"docs/images/$name.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "docs/images/$name.png"
}

burst() {
  local name=$1 title=$2 count=$3
  shift 3
  local frames
  frames=$(mktemp -d)
  local run i
  for ((run = 0; run < 8; ++run)); do
    wine "$exe" "$@" >/dev/null 2>&1 &
    local pid=$! after=0
    i=0
    # Raw pictures as fast as they come, from the start until COUNT have been taken since the window
    # showed; converted afterwards.
    while ((after < count)) && ((i < 400)) && kill -0 "$pid" 2>/dev/null; do
      xwd -silent -root >"$frames/$run-$((i++)).xwd"
      xwininfo -name "$title" >/dev/null 2>&1 && after=$((after + 1))
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for frame in "$frames"/*.xwd; do
    xwdtopnm "$frame" 2>/dev/null | pnmtopng >"${frame%.xwd}.png"
  done
  cp "$(ls -S "$frames"/*.png | head -n 1)" "docs/images/$name.png"
  rm -rf "$frames"
  echo "docs/images/$name.png"
}

shot tour-form "QELSystm tour" 1 run examples/tour.qfm
shot string-list-editor "String list editor" 1 edit examples/designer.qfm Choices Items
shot message-box "Confirmation" 1 run examples/messages.qfm --execute Confirm
shot tray-icon "Wine System Tray" 1 run examples/tray.qfm
burst explode-frame "QELSystm explode" 8 run examples/explode.qfm
