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

# The busy bus of the built-in scenario with trouble timed for the status the
# program requests once a second: error-passive at second 1, bus-off at
# second 2, a burst of error frames that raises the receive error counter into
# the warning range by second 3, then a trickle of error frames that the
# status at second 5 reports as an error frame on an unchanged bus state.
# (sim/scenarios/faults.scn times the same trouble on a quiet bus.)
faults=$home/faults.scn
{ cat "$top/sim/scenarios/default.scn"
  cat <<'SCN'
fault 700 400 passive
fault 1800 400 busoff
fault 2400 1000 errors 580
fault 3600 2000 errors 30
SCN
} >"$faults"

# shoot <file> <page> <keys> <delay ms> [VARIABLE=value ...]
# The extra assignments choose a scenario of the simulated adapter or switch
# on the hook's preparations (TARVO_SCREENSHOT_* in ScreenshotHook.h).
shoot() {
  local file=$out/$1
  local env=(TARVO_SCREENSHOT="$file" TARVO_SCREENSHOT_PAGE="$2" TARVO_SCREENSHOT_KEYS="$3"
             TARVO_SCREENSHOT_DELAY_MS="$4" TARVO_SCREENSHOT_SIZE=1100x700 "${@:5}")
  rm -f "$file"
  if [ "$platform" = offscreen ]; then
    env "${env[@]}" QT_QPA_PLATFORM=offscreen timeout 60 "$app"
  else
    env "${env[@]}" QT_QPA_PLATFORM=xcb timeout 60 xvfb-run -a -s "-screen 0 1600x1000x24" "$app"
  fi
  [ -s "$file" ] || { echo "no picture written: $file" >&2; exit 1; }
  echo "$file"
}

# The stopped window as it starts.
shoot main-window.png         0 ""           800
# The bus with trouble: live traffic, the bus-load gauge, the error-counter
# row and the bus-state entries.
shoot can-view-running.png    0 "Esc"        5400 TARVO_SIM_SCENARIO="$faults" TARVO_SCREENSHOT_ERROR_COUNTERS=1
# The default bus in the scrolling view.
shoot can-view-cyclic.png     0 "Ctrl+Y,Esc" 2500
# A transmit list typed in through the editor; the editor shows the
# selected item.
shoot can-transmit.png        1 ""           500  TARVO_SCREENSHOT_DEMO_TX=1
# The same list on the CAN View page, running in loopback: every periodic
# item transmitted (TD/TR) and its frame coming back (RD/RR).
shoot can-view-transmit.png   0 "Esc"        2500 TARVO_SCREENSHOT_TX_ON_VIEW=1 TARVO_SCREENSHOT_LOOPBACK=1 \
                                                  TARVO_SCREENSHOT_DEMO_TX=1
# Bit timing with its diagram, and custom receive filters in both buffers.
shoot can-setup.png           2 ""           500  TARVO_SCREENSHOT_DEMO_FILTERS=1
# The signals of the selected row (BrakeStatus) under the list, decoded with
# the database shipped for the simulated bus; and a message composed by its
# signal values in the transmit editor.
shoot can-view-signals.png    0 "Esc"        2500 TARVO_SCREENSHOT_DATABASE="$top/sim/databases/default.dbc" \
                                                  TARVO_SCREENSHOT_SELECT_ID=0C4
shoot can-transmit-signals.png 1 ""          500  TARVO_SCREENSHOT_DATABASE="$top/sim/databases/default.dbc" \
                                                  TARVO_SCREENSHOT_MESSAGE=EngineStatus
# The signal plot under the running default bus: a counter and the engine
# speed, each on its own value axis.
shoot signal-plot.png         0 "Esc"        4000 TARVO_SCREENSHOT_DATABASE="$top/sim/databases/default.dbc" \
                                                  TARVO_SCREENSHOT_PLOT=Heartbeat.Counter,EngineStatus.EngineSpeed,EngineStatus.CoolantTemp
# A log opened for analysis (File > Open Log): the list, the statistics
# per identifier; written here, 20 s of engine and heartbeat traffic.
log=$home/drive.txt
awk 'BEGIN { rule = sprintf("%67s", ""); gsub(/ /, "~", rule);
  printf "%s\r\ndrive - 09:04:05 08.12.2026 - Hexadecimal\r\n%s\r\n\r\n", rule, rule;
  print "TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r";
  for (i = 0; i < 2000; i++) { t = i / 100; rpm = int((2000 + 1500 * sin(t / 2)) * 4);
    printf "RD11  %.4f       100        %02X   00  \r\n", t, i % 256;
    printf "RD11  %.4f       A0         00   00   %02X   %02X   00   00   00   00  \r\n", t + 0.001, rpm % 256, int(rpm / 256) }
  print "\r" }' >"$log"
shoot log-analysis.png        0 ""           800  TARVO_SCREENSHOT_DATABASE="$top/sim/databases/default.dbc" \
                                                  TARVO_SCREENSHOT_OPEN_LOG="$log" TARVO_SCREENSHOT_TARGET=Analysis
shoot about.png               0 ""           500  TARVO_SCREENSHOT_TARGET=About
# The Display Options dialog, and the Device Options dialog with the
# simulated adapter open.
shoot display-options.png     0 ""           500  TARVO_SCREENSHOT_TARGET=DisplayOptions
shoot log-options.png         0 ""           500  TARVO_SCREENSHOT_TARGET=LogOptions
shoot device-options.png      0 ""           500  TARVO_SCREENSHOT_TARGET=DeviceOptions
