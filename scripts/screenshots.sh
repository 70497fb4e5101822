#!/usr/bin/env bash
# make screenshots: the pictures in docs/images/, taken from qel on the build tree's headless display
# (1024x768, always, so that every picture looks the same wherever it is taken).
# Usage: [BUILD=dir] scripts/screenshots.sh
#
# One line a picture, at the end of this file:
#     shot NAME WINDOW SECONDS QEL-ARGUMENTS...
# runs qel with the arguments, waits until a window titled WINDOW shows, then SECONDS more, and writes
# docs/images/NAME.png: that window. qel is ended once the picture is taken.
#     frozen NAME TITLE QEL-ARGUMENTS...
# catches what qel draws on the screen itself, too fast to be caught running: stops qel every few
# milliseconds, takes a picture of the whole screen while it stands still, lets it go on, until a window
# titled TITLE shows; of the pictures taken before that, keeps the one with the most detail (the largest
# PNG).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
"$QEL_ROOT/scripts/deps.sh" screenshots
cd "$QEL_ROOT"

exe=$QEL_BUILD/tools/qel.exe
[[ -f $exe ]] || { echo "screenshots: $exe is not built; run 'make build' first." >&2; exit 1; }
mkdir -p docs/images

qel_session_join headless

shot() {
  local name=$1 title=$2 settle=$3
  shift 3
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
  xwd -silent -name "$title" | xwdtopnm 2>/dev/null | pnmtopng >"docs/images/$name.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "docs/images/$name.png"
}

frozen() {
  local name=$1 title=$2
  shift 2
  local frames i=0 running
  frames=$(mktemp -d)
  wine "$exe" "$@" >/dev/null 2>&1 &
  local pid=$!
  while ((i < 1000)) && kill -0 "$pid" 2>/dev/null; do
    sleep 0.005
    running=$(pgrep -f "^${exe//./\\.} " || true) # this tree's qel, no other
    [[ -n $running ]] || continue
    kill -STOP $running 2>/dev/null || true
    if xwininfo -name "$title" 2>/dev/null | grep -q IsViewable; then
      kill -CONT $running 2>/dev/null || true
      break
    fi
    xwd -silent -root >"$frames/$((i++)).xwd"
    kill -CONT $running 2>/dev/null || true
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for frame in "$frames"/*.xwd; do
    [[ -f $frame ]] && xwdtopnm "$frame" 2>/dev/null | pnmtopng >"${frame%.xwd}.png"
  done
  local best
  best=$(ls -S "$frames"/*.png 2>/dev/null | head -n 1)
  rm -f "$frames"/*.xwd
  if [[ -z $best ]]; then
    echo "screenshots: $name: no picture was taken before the window '$title' showed" >&2
    rm -rf "$frames"
    return 1
  fi
  cp "$best" "docs/images/$name.png"
  rm -rf "$frames"
  echo "docs/images/$name.png"
}

shot tour-form "QELSystm tour" 1 run examples/tour.qfm
shot string-list-editor "String list editor" 1 edit examples/designer.qfm Choices Items
shot message-box "Confirmation" 1 run examples/messages.qfm --execute Confirm
shot tray-icon "Wine System Tray" 1 run examples/tray.qfm
frozen explode-frame "QELSystm explode" run examples/explode.qfm --seconds 5
