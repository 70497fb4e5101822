#!/usr/bin/env bash
# make screenshots: the pictures in docs/images/, taken from qel on the build tree's headless display
# (1024x768, always, so that every picture looks the same wherever it is taken).
# Usage: [BUILD=dir] scripts/screenshots.sh
#
# One line a picture, at the end of this file:
#     shot NAME WINDOW SECONDS QEL-ARGUMENTS...
# runs qel with the arguments, waits until a window titled WINDOW shows, then SECONDS more, and writes
# docs/images/NAME.png: that window. qel is ended once the picture is taken.
#     screen NAME SECONDS 'TITLE|TITLE...' QEL-ARGUMENTS...
# the same for several windows: waits until each title shows, and writes the part of the screen that
# holds them all.
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

# Runs qel with the arguments after the first two and waits for a window titled so ($1: the picture's
# name, for the error); qel's process is in $pid. Fails, with qel ended, when no such window shows.
start_and_wait() {
  local name=$1 title=$2
  shift 2
  wine "$exe" "$@" >/dev/null 2>&1 &
  pid=$!
  wait_for "$name" "$title"
}

wait_for() {
  local name=$1 title=$2 tries=0
  until xwininfo -name "$title" >/dev/null 2>&1; do
    if ((++tries > 200)) || ! kill -0 "$pid" 2>/dev/null; then
      echo "screenshots: $name: no window '$title' appeared" >&2
      end_qel
      return 1
    fi
    sleep 0.1
  done
}

end_qel() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# "X Y WIDTH HEIGHT" of the window titled $1 on the screen.
geometry() {
  xwininfo -name "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}'
}

shot() {
  local name=$1 title=$2 settle=$3
  shift 3
  start_and_wait "$name" "$title" "$@" || return 1
  sleep "$settle"
  xwd -silent -name "$title" | xwdtopnm 2>/dev/null | pnmtopng >"docs/images/$name.png"
  end_qel
  echo "docs/images/$name.png"
}

screen() {
  local name=$1 settle=$2 title left=100000 top=100000 right=0 bottom=0 x y w h
  local -a titles places
  IFS='|' read -ra titles <<<"$3"
  shift 3
  start_and_wait "$name" "${titles[0]}" "$@" || return 1
  for title in "${titles[@]:1}"; do
    wait_for "$name" "$title" || return 1
  done
  sleep "$settle"
  for title in "${titles[@]}"; do
    places+=("$(geometry "$title")")
    read -r x y w h <<<"${places[-1]}"
    ((x < left)) && left=$x
    ((y < top)) && top=$y
    ((x + w > right)) && right=$((x + w))
    ((y + h > bottom)) && bottom=$((y + h))
  done
  local pictures place
  pictures=$(mktemp -d)
  xwd -silent -root | xwdtopnm 2>/dev/null >"$pictures/screen.ppm"
  # The windows on the desktop's colour, not on the black of the display around them.
  ppmmake '#3a6ea5' $((right - left)) $((bottom - top)) >"$pictures/picture.ppm"
  for place in "${places[@]}"; do
    read -r x y w h <<<"$place"
    pnmcut -left "$x" -top "$y" -width "$w" -height "$h" "$pictures/screen.ppm" >"$pictures/window.ppm"
    pnmpaste "$pictures/window.ppm" $((x - left)) $((y - top)) "$pictures/picture.ppm" >"$pictures/next.ppm"
    mv "$pictures/next.ppm" "$pictures/picture.ppm"
  done
  pnmtopng "$pictures/picture.ppm" >"docs/images/$name.png"
  rm -rf "$pictures"
  end_qel
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
  end_qel
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
screen designer 1 'Component Palette|QELSystm designer|Object Inspector' design examples/designer.qfm --select Settings
frozen explode-frame "QELSystm explode" run examples/explode.qfm --seconds 5
