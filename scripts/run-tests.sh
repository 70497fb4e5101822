#!/usr/bin/env bash
# Runs every test executable of the build under Wine, on the build tree's headless display (always,
# so tests see the same 1024x768 screen everywhere), with one wineserver kept alive for the whole run:
# a Wine start then costs tens of milliseconds instead of seconds. Display and server are the build
# tree's session (wine-env.sh), shared with a demo or a qel run going on beside the tests.
# Usage: [BUILD=dir] scripts/run-tests.sh [ctest arguments, e.g. -R persistence]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qel_session_join headless
# The tests give the programs they start their own time limits.
unset QEL_SECONDS

ctest --test-dir "$QEL_BUILD" --output-on-failure "$@"
