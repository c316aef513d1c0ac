#!/usr/bin/env bash
# Soak: records a fully loaded 250 kbit/s bus for some minutes through the
# whole program (offscreen) on the simulated adapter and checks that the
# file holds every frame (sim/scenarios/full250k.scn counts in its first
# data byte). Prints lines, losses, the writer's time per hand-over and the
# program's CPU share. Not a test: it takes as long as it records.
#
#   bench/logging/record_soak.sh [build-dir] [minutes] [txt|csv|asc]
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-build}"
minutes="${2:-10}"
format="${3:-asc}"
program="$build/bin/log_record_soak"
[ -x "$program" ] || { echo "build it first: cmake --build $build --target log_record_soak"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config" \
  QT_QPA_PLATFORM=offscreen TARVO_SIM_SCENARIO="$here/sim/scenarios/full250k.scn" TARVO_SIM_TRACE= \
  "$program" "$minutes" "$format" "$work"
