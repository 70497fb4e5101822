# shellcheck shell=bash
# Sourced by the scripts that start Windows programs. Sets QEL_ROOT (the repository) and QEL_BUILD
# (the build tree: $BUILD, relative to the repository, default build/) and gives Wine the project's
# own prefix inside the build tree, no debug chatter, no Mono/Gecko install prompts and no menu
# entries written to the user's desktop.

QEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEL_BUILD=${BUILD:-build}
[[ $QEL_BUILD == /* ]] || QEL_BUILD=$QEL_ROOT/$QEL_BUILD

export WINEPREFIX=$QEL_BUILD/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Creates the prefix on first use (about 12 s). A crashing program must end with a backtrace on
# stderr, not wait on Wine's crash dialog until its test times out. The marker is written only once
# all this is done, so an interrupted set-up is redone instead of half-used.
qel_wine_prefix() {
  [[ -f $WINEPREFIX/.qel-configured ]] && return
  echo "Creating the Wine prefix $WINEPREFIX ..." >&2
  mkdir -p "$WINEPREFIX"
  if ! {
    wineboot -i &&
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      wineserver -w
  } </dev/null >"$QEL_BUILD/wineboot.log" 2>&1; then
    cat "$QEL_BUILD/wineboot.log" >&2
    echo "Creating the Wine prefix failed." >&2
    return 1
  fi
  touch "$WINEPREFIX/.qel-configured"
}

# Starts the prefix's background processes (services, the desktop window) with their output going
# nowhere. Otherwise the first program starts them with its own stdout and stderr: they then keep a
# caller's pipe open (ctest waits on it until the test times out) and print X errors into the
# terminal when a private display goes away.
qel_wine_boot() {
  wineboot </dev/null >/dev/null 2>&1
}

# Runs the rest of the calling script under a private headless X display unless it already has one.
# Wine's X11 driver is used rather than its null driver: the notification area needs a display.
# QEL_XVFB marks the second pass, so a script is wrapped once even when xvfb-run fails to set DISPLAY.
qel_headless() {
  [[ -n ${QEL_XVFB:-} ]] && return
  QEL_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
}
