#!/usr/bin/env bash
# Installs what is missing, builds and starts Tarvo. Without an adapter driver
# of its own the program finds the simulated adapter beside its executable.
# Without a display it runs under a virtual X server.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-deps.sh"
"$top/tools/build.sh"
app="$top/build/bin/tarvo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$app" "$@"
fi
exec "$app" "$@"
