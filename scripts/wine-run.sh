#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, in the build tree's session (wine-env.sh):
# on the shell's X display, or on the session's headless one when the shell has none. Console output
# goes straight to this terminal; the program's exit code is returned. A program that cannot start
# because a DLL it needs is missing says which.
# Usage: [BUILD=dir] scripts/wine-run.sh program.exe [arguments]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qel_session_join

# Started in the background, so that a signal to this script reaches the program too and the script
# still leaves the session; its input stays this script's.
wine "$@" <&0 &
program=$!
trap 'kill -TERM "$program" 2>/dev/null || true' INT TERM HUP
while kill -0 "$program" 2>/dev/null; do
  wait "$program" 2>/dev/null || true
done
status=0
wait "$program" || status=$?
((status == 0)) || qel_explain_start_failure "$1" "$status"
exit "$status"
