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
# The shell's recycle area (a delete that can be undone) lies under XDG_DATA_HOME: keep it in the build
# tree, so that no file of a test or a demo ever lands in a desktop's trash.
export XDG_DATA_HOME=$QEL_BUILD/xdg-data
mkdir -p "$XDG_DATA_HOME" # Wine makes Trash inside it, but not the folder itself

# Creates the prefix on first use (about 12 s) and applies the project's settings to it; the marker
# names the settings' version, so a prefix made by an older checkout gets the new ones. The marker is
# written only once all this is done, so an interrupted set-up is redone instead of half-used.
#  - A crashing program must end with a backtrace on stderr, not wait on Wine's crash dialog until its
#    test times out.
#  - Windows are not handed to an X window manager: there is none on the headless display, and Wine
#    would wait two seconds for one each time a window is hidden.
#  - Drive Q: is the folder drive_q of the prefix, with the volume label "Qel Test" and the serial
#    number 0000ABCD, which the drive tests expect. Wine reads both once per session: they are written
#    here, while no server runs.
QEL_PREFIX_VERSION=3
qel_wine_prefix() {
  [[ $(cat "$WINEPREFIX/.qel-configured" 2>/dev/null) == "$QEL_PREFIX_VERSION" ]] && return
  echo "Setting up the Wine prefix $WINEPREFIX ..." >&2
  mkdir -p "$WINEPREFIX"
  # A server left running for this prefix (a persistent one from an interrupted run) would never let
  # the final wait end.
  wineserver -k 2>/dev/null || true
  if ! {
    wineboot -i &&
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
      wineserver -w &&
      mkdir -p "$WINEPREFIX/drive_q" &&
      printf 'Qel Test' >"$WINEPREFIX/drive_q/.windows-label" &&
      printf '0000abcd' >"$WINEPREFIX/drive_q/.windows-serial" &&
      ln -sfn ../drive_q "$WINEPREFIX/dosdevices/q:"
  } </dev/null >"$QEL_BUILD/wineboot.log" 2>&1; then
    cat "$QEL_BUILD/wineboot.log" >&2
    echo "Setting up the Wine prefix failed." >&2
    return 1
  fi
  echo "$QEL_PREFIX_VERSION" >"$WINEPREFIX/.qel-configured"
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
