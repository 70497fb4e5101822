#!/usr/bin/env bash
# Runs every test executable of the build under Wine, on a headless display of its own (always, so
# tests see the same 1024x768 screen everywhere), with one wineserver kept alive for the whole run:
# a Wine start then costs tens of milliseconds instead of seconds.
# Usage: [BUILD=dir] scripts/run-tests.sh [ctest arguments, e.g. -R persistence]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qel_headless bash "$0" "$@"

qel_wine_prefix
# One run at a time per build tree: a server already kept alive for the prefix (a manual run's) is
# reused, and stopped with this run.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
qel_wine_boot

ctest --test-dir "$QEL_BUILD" --output-on-failure "$@"
