#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, on a private headless display when there is
# no X display. Console output goes straight to this terminal; the program's exit code is returned.
# Usage: [BUILD=dir] scripts/wine-run.sh program.exe [arguments]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [[ -z ${DISPLAY:-} ]]; then
  export QEL_OWN_DISPLAY=1
  qel_headless bash "$0" "$@"
fi

qel_wine_prefix
qel_wine_boot
if [[ -z ${QEL_OWN_DISPLAY:-} ]]; then
  exec wine "$@"
fi
# On a display of our own, the prefix's background processes go before the display does; otherwise
# they report the lost X connection after the program's own output.
status=0
wine "$@" || status=$?
wineserver -k 2>/dev/null || true
exit "$status"
