#!/usr/bin/env bash
# Takes the documentation screenshots of Tarvo into docs/images/.
#
# The program runs on the simulated adapter beside it, with a throw-away home
# folder so that nobody's settings change the pictures. Each shot presses
# some shortcuts, waits and saves the window (see src/shell/qt/ScreenshotHook.h).
#
#   scripts/screenshot.sh [path/to/tarvo]     default: build/bin/tarvo
#
# QT_QPA_PLATFORM=xcb runs the shots under a virtual X server instead of
# Qt's offscreen platform.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
app=${1:-$top/build/bin/tarvo}
out=$top/docs/images
[ -x "$app" ] || { echo "no executable at $app; build first (tools/build.sh)" >&2; exit 1; }
mkdir -p "$out"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config
export XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

platform=${QT_QPA_PLATFORM:-offscreen}

# shoot <file> <page> <keys> <delay ms> [target]
shoot() {
  local file=$out/$1
  local env=(TARVO_SCREENSHOT="$file" TARVO_SCREENSHOT_PAGE="$2" TARVO_SCREENSHOT_KEYS="$3"
             TARVO_SCREENSHOT_DELAY_MS="$4" TARVO_SCREENSHOT_TARGET="${5:-}"
             TARVO_SCREENSHOT_SIZE=1100x700)
  rm -f "$file"
  if [ "$platform" = offscreen ]; then
    env "${env[@]}" QT_QPA_PLATFORM=offscreen timeout 60 "$app"
  else
    env "${env[@]}" QT_QPA_PLATFORM=xcb timeout 60 xvfb-run -a -s "-screen 0 1600x1000x24" "$app"
  fi
  [ -s "$file" ] || { echo "no picture written: $file" >&2; exit 1; }
  echo "$file"
}

shoot main-window.png        0 ""          800
shoot can-view-running.png   0 "Esc"       3500
shoot can-view-cyclic.png    0 "Ctrl+Y,Esc" 2500
shoot can-transmit.png       1 ""          500
shoot can-setup.png          2 ""          500
shoot about.png              0 ""          500 About
