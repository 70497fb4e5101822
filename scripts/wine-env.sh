# shellcheck shell=bash
# Sourced by the scripts that start Windows programs. Sets QEL_ROOT (the repository) and QEL_BUILD
# (the build tree: $BUILD, relative to the repository, default build/) and gives Wine the project's
# own prefix inside the build tree, no debug chatter, no Mono/Gecko install prompts and no menu
# entries written to the user's desktop.

QEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEL_BUILD=${BUILD:-build}
[[ $QEL_BUILD == /* ]] || QEL_BUILD=$QEL_ROOT/$QEL_BUILD

export WINEPREFIX=$QEL_BUILD/wineprefix
# A 64-bit prefix for every tree: it runs the x86_64 build's programs, and the i686 ones as 64-bit
# Windows runs them (WOW64, with the 32-bit registry view of HKEY_LOCAL_MACHINE\SOFTWARE). Wine makes a
# prefix of this kind anyway when wine64 is there; naming it keeps a machine without it from making a
# 32-bit prefix that no x86_64 program starts in.
export WINEARCH=win64
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

# --- The session of a build tree ---------------------------------------------------------------------
#
# Programs see each other (a second copy of a single-instance guard, the forms a broadcast reaches)
# only under one wineserver and on one display. So every script that runs Windows programs of this
# build tree, one run of qel or the whole test run, joins the tree's session: the first to come starts
# a persistent wineserver and, when a display is wanted and the shell has none, a headless X display
# (Xvfb, 1024x768); the last to leave stops both, the server first, so that the prefix's background
# processes go before their display does. Runs side by side never end each other.
#
# Each user is a file under $QEL_SESSION/users named after its process id and start time, so that a
# user killed before it could leave is seen to be gone by the next one that joins or leaves; a lock
# keeps two of them from deciding at once. The display and the server a killed last user leaves
# behind are taken over by the next user, or stopped by `make clean`.
QEL_SESSION=$QEL_BUILD/wine-session

# The start time of process $1 (clock ticks since boot): with its id it names that process and no
# later one given the same id.
qel_process_start() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) } # the name, in parentheses, may hold spaces
  # shellcheck disable=SC2086
  set -- $stat
  echo "${20}"
}

# Takes the session's lock (file descriptor 9). Whatever is started while it is held must close it
# (9>&-), or it would hold the lock for as long as it runs.
qel_session_lock() {
  mkdir -p "$QEL_SESSION/users"
  exec 9>"$QEL_SESSION/lock"
  flock 9
}

qel_session_unlock() {
  exec 9>&-
}

# Forgets the users that are gone.
qel_session_prune() {
  local user pid
  for user in "$QEL_SESSION"/users/*; do
    [[ -e $user ]] || continue
    pid=${user##*/}
    [[ $(qel_process_start "${pid%%.*}") == "${pid#*.}" ]] || rm -f "$user"
  done
}

qel_session_users() {
  local users=("$QEL_SESSION"/users/*)
  [[ -e ${users[0]} ]] && echo "${#users[@]}" || echo 0
}

# The session's display, when its Xvfb still runs.
qel_session_display() {
  local pid
  pid=$(cat "$QEL_SESSION/xvfb" 2>/dev/null) || return 1
  [[ $(qel_process_start "${pid%%.*}") == "${pid#*.}" ]] && cat "$QEL_SESSION/display"
}

# Starts the session's Xvfb on a display number it finds free itself (-displayfd), in a process
# session of its own so that an interrupt typed at one user's terminal does not reach it, and as no
# child of the user's shell, whose `wait` would otherwise wait for it too.
qel_session_start_display() {
  rm -f "$QEL_SESSION/display"
  (
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
      3>"$QEL_SESSION/display" </dev/null >"$QEL_SESSION/xvfb.log" 2>&1 &
    echo $! >"$QEL_SESSION/xvfb"
  )
  local pid tries=0
  pid=$(cat "$QEL_SESSION/xvfb")
  until [[ -s $QEL_SESSION/display ]]; do
    if ((++tries > 200)) || ! kill -0 "$pid" 2>/dev/null; then
      cat "$QEL_SESSION/xvfb.log" >&2
      echo "The headless X display (Xvfb) did not start." >&2
      return 1
    fi
    sleep 0.05
  done
  echo "$pid.$(qel_process_start "$pid")" >"$QEL_SESSION/xvfb"
  echo ":$(tr -dc 0-9 <"$QEL_SESSION/display")" >"$QEL_SESSION/display"
}

# Joins the session: sets the prefix up on first use, gives DISPLAY the session's headless display
# when the shell has none, or always with `qel_session_join headless` (tests and pictures see the same
# screen everywhere), and starts the wineserver when this is the first user. QEL_SESSION_DISPLAY names
# the session's display once it has one. The calling script leaves when it exits.
qel_session_join() {
  qel_session_lock
  qel_session_prune
  local first=
  [[ $(qel_session_users) == 0 ]] && first=1
  {
    qel_wine_prefix || return 1
    if QEL_SESSION_DISPLAY=$(qel_session_display); then
      export QEL_SESSION_DISPLAY
    elif [[ ${1:-} == headless || -z ${DISPLAY:-} ]]; then
      qel_session_start_display || return 1
      export QEL_SESSION_DISPLAY=$(cat "$QEL_SESSION/display")
    fi
    if [[ ${1:-} == headless || -z ${DISPLAY:-} ]]; then
      export DISPLAY=$QEL_SESSION_DISPLAY
    fi
    [[ -n $first ]] && { wineserver -p </dev/null >/dev/null 2>&1 || true; }
    qel_wine_boot
  } 9>&-
  QEL_SESSION_USER=$$.$(qel_process_start $$)
  touch "$QEL_SESSION/users/$QEL_SESSION_USER"
  qel_session_unlock
  trap qel_session_leave EXIT
}

# Leaves the session; the last user stops the wineserver, and with it every program of the prefix,
# then the display.
qel_session_leave() {
  qel_session_lock
  rm -f "$QEL_SESSION/users/$QEL_SESSION_USER"
  qel_session_prune
  [[ $(qel_session_users) == 0 ]] && qel_session_stop 9>&-
  qel_session_unlock
}

# Stops the session's wineserver and display, whoever still uses them.
qel_session_stop() {
  wineserver -k 2>/dev/null || true
  local pid
  if pid=$(cat "$QEL_SESSION/xvfb" 2>/dev/null) && [[ $(qel_process_start "${pid%%.*}") == "${pid#*.}" ]]; then
    kill "${pid%%.*}" 2>/dev/null || true
  fi
  rm -f "$QEL_SESSION/xvfb" "$QEL_SESSION/display"
}

# The DLLs that program $1 imports, and those that the DLLs beside it import in turn, which Wine
# cannot find: neither beside the program, nor in the current directory, nor among Wine's own DLLs.
qel_missing_dlls() {
  local dump
  # The x86_64 objdump reads the programs of both architectures, the i686 one only its own.
  dump=$(command -v x86_64-w64-mingw32-objdump || command -v i686-w64-mingw32-objdump || command -v objdump) || return 1
  local dir system=("$WINEPREFIX/drive_c/windows/syswow64" "$WINEPREFIX/drive_c/windows/system32")
  dir=$(dirname "$1")
  local queue=("$1") seen=" " file dll found
  while ((${#queue[@]})); do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
      [[ $seen == *" ${dll,,} "* ]] && continue
      seen+="${dll,,} "
      found=$(find "$dir" . -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
      if [[ -n $found ]]; then
        queue+=("$found")
      elif [[ -z $(find "${system[@]}" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null) ]]; then
        echo "$dll"
      fi
    done < <("$dump" -p "$file" 2>/dev/null | sed -n 's/^[[:space:]]*DLL Name: //p')
  done
}

# Says why program $1, which ended with status $2, could not start. Wine's own message is silenced
# (WINEDEBUG=-all) and all that is left is the status: 53 is the low byte of STATUS_DLL_NOT_FOUND
# (0xC0000135). A program that returned 53 itself, with every DLL it needs at hand, is left alone.
qel_explain_start_failure() {
  local program=$1 status=$2 missing
  ((status == 53)) && [[ -f $program ]] || return 0
  missing=$(qel_missing_dlls "$program" | paste -sd, - | sed 's/,/, /g')
  [[ -n $missing ]] || return 0
  echo "$(basename "$program") could not start: Wine finds no $missing (neither beside the program nor among" \
    "Wine's own DLLs). A program built with MinGW-w64 needs its runtime DLLs unless it is linked with -static." >&2
}
