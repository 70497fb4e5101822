#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, on a private headless display when there is
# no X display. Console output goes straight to this terminal; the program's exit code is returned.
# Usage: [BUILD=dir] scripts/wine-run.sh program.exe [arguments]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[[ -n ${DISPLAY:-} ]] || qel_headless bash "$0" "$@"

qel_wine_prefix
qel_wine_boot
exec wine "$@"
