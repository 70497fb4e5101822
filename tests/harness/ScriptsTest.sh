#!/usr/bin/env bash
# The "scripts" test: what the project's scripts promise, seen from outside as a user meets them.
#  - A program that cannot start because a DLL is missing says which, through scripts/wine-run.sh.
#  - The build tree's session: users that come and go (and one that is killed) share one display and
#    one wineserver, and only the last user stops them (checked with stand-ins for Xvfb and Wine).
#  - Runs of qel side by side on the headless display never end each other: a second and a third copy
#    of a single-instance form each reach the first, which is still running when the others have ended.
#  - ./qel on a headless shell ends by itself, also with a message box nobody can answer.
#  - `make demo` builds qel and the library, and nothing else, before the first example runs.
#  - Each line the README offers to try ends by itself, with 0, on a headless shell.
# Usage: tests/harness/ScriptsTest.sh SOURCE_DIR BUILD_DIR CXX_COMPILER
set -euo pipefail
source_dir=$1
build=$2
cxx=$3
work=$build/scripts-test
rm -rf "$work"
mkdir -p "$work"
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# Waits up to a minute for a line starting with $2 in file $1.
wait_for_line() {
  for _ in $(seq 600); do
    grep -q "^$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

echo "== A program that needs the MinGW runtime DLLs"
printf '#include <iostream>\nint main() { std::cout << "hello" << std::endl; }\n' >"$work/hello.cpp"
"$cxx" -o "$work/needs-dlls.exe" "$work/hello.cpp"
status=0
BUILD=$build "$source_dir/scripts/wine-run.sh" "$work/needs-dlls.exe" >"$work/out" 2>"$work/err" || status=$?
cat "$work/err"
[[ $status == 53 ]] || fail "the program that cannot start ended with $status, not 53"
grep -q "needs-dlls.exe could not start: Wine finds no .*libstdc++-6.dll" "$work/err" ||
  fail "scripts/wine-run.sh did not name the missing libstdc++-6.dll"

echo "== A program that returns 53 itself"
printf 'int main() { return 53; }\n' >"$work/fifty-three.cpp"
"$cxx" -static -o "$work/fifty-three.exe" "$work/fifty-three.cpp"
status=0
BUILD=$build "$source_dir/scripts/wine-run.sh" "$work/fifty-three.exe" 2>"$work/err" || status=$?
[[ $status == 53 ]] || fail "the program returning 53 ended with $status"
[[ ! -s $work/err ]] || fail "a program that started and returned 53 was said not to start: $(cat "$work/err")"

echo "== The session: users come and go, one is killed, the last one stops the server and the display"
session_build=$work/session-build
stubs=$work/stubs
mkdir -p "$session_build/wineprefix" "$stubs"
# The prefix counts as set up; the stand-ins record what they are asked to do.
(source "$source_dir/scripts/wine-env.sh" && echo "$QEL_PREFIX_VERSION" >"$session_build/wineprefix/.qel-configured")
cat >"$stubs/wineserver" <<EOF
#!/bin/sh
echo "wineserver \$*" >>"$work/calls"
EOF
cat >"$stubs/wineboot" <<'EOF'
#!/bin/sh
EOF
# Xvfb as -displayfd has it: the display number on that descriptor, then running until it is killed.
cat >"$stubs/Xvfb" <<EOF
#!/bin/bash
echo "Xvfb" >>"$work/calls"
echo 77 >&3
exec 3>&-
exec sleep 1000
EOF
chmod +x "$stubs"/*
user() {
  exec env -u DISPLAY -u QEL_SESSION_DISPLAY PATH="$stubs:$PATH" BUILD=$session_build bash -c '
    source "$1/scripts/wine-env.sh"
    qel_session_join
    echo "$DISPLAY" >"$2.display"
    until [[ -e $2.go ]]; do sleep 0.05; done
    wait # for its own children: the display it started is none of them' user "$source_dir" "$work/$1"
}
user first &
first=$!
for _ in $(seq 200); do [[ -s $work/first.display ]] && break; sleep 0.05; done
user killed &
killed=$!
for _ in $(seq 200); do [[ -s $work/killed.display ]] && break; sleep 0.05; done
{
  kill -KILL "$killed"
  wait "$killed" || true
} 2>/dev/null
touch "$work/second.go"
(user second)
[[ $(cat "$work/first.display" "$work/killed.display" "$work/second.display") == $':77\n:77\n:77' ]] ||
  fail "the users did not share the session's display: $(cat "$work"/*.display | tr '\n' ' ')"
grep -q -- "-k" "$work/calls" && fail "a user that was not the last stopped the wineserver"
xvfb_pid=$(cut -d. -f1 "$session_build/wine-session/xvfb")
kill -0 "$xvfb_pid" 2>/dev/null || fail "the display went while a user was still there"
touch "$work/first.go"
for _ in $(seq 600); do kill -0 "$first" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$first" 2>/dev/null; then
  fail "the first user never ended: its shell waits for the display it started"
  kill "$first"
fi
wait "$first" || true
[[ $(cat "$work/calls") == $'Xvfb\nwineserver -p\nwineserver -k' ]] ||
  fail "the session's server and display were not started once and stopped by the last user: $(tr '\n' ' ' <"$work/calls")"
for _ in $(seq 100); do kill -0 "$xvfb_pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$xvfb_pid" 2>/dev/null && { fail "the last user left the display running"; kill "$xvfb_pid"; }

echo "== Three copies of a single-instance form side by side on the headless display"
cat >"$work/guard.qfm" <<'EOF'
object Guarded: TScriptsGuardForm
  OnShow = GuardedShow
  object Guard: TQELOnlyOne
    OnExceeded = GuardExceeded
    OnNewInstance = GuardNewInstance
  end
end
EOF
qel=$build/tools/qel.exe
env -u DISPLAY BUILD=$build "$source_dir/scripts/wine-run.sh" "$qel" run "$work/guard.qfm" --seconds 600 \
  >"$work/guard-first" 2>&1 &
guard=$!
wait_for_line "$work/guard-first" "Guarded.OnShow" || fail "the first copy never showed its form"
# Each later copy's command line, which reaches the first copy, tells them apart by its seconds.
for seconds in 30 31; do
  status=0
  env -u DISPLAY BUILD=$build timeout 120 "$source_dir/scripts/wine-run.sh" "$qel" run "$work/guard.qfm" \
    --seconds $seconds >"$work/guard-$seconds" 2>&1 || status=$?
  grep -q "^Guard.OnExceeded Sender=Guard NoOfInstances=2" "$work/guard-$seconds" ||
    fail "the copy of $seconds seconds did not find the first one: $(cat "$work/guard-$seconds")"
  [[ $status == 0 ]] || fail "the copy of $seconds seconds ended with $status"
  wait_for_line "$work/guard-first" "Guard.OnNewInstance Sender=Guard Arguments='.*--seconds $seconds'" ||
    fail "the first copy did not hear of the copy of $seconds seconds: $(cat "$work/guard-first")"
done
kill -0 "$guard" 2>/dev/null || fail "the first copy ended with the others"
kill -TERM "$guard" 2>/dev/null || true
wait "$guard" 2>/dev/null || true
cat "$work/guard-first"

echo "== ./qel on a headless shell: a message box nobody answers ends with the run"
status=0
(cd "$source_dir" && env -u DISPLAY -u QEL_SECONDS BUILD=$build timeout 120 ./qel run examples/messages.qfm \
  --execute Confirm) >"$work/confirm" 2>&1 || status=$?
[[ $status == 0 ]] || fail "./qel run examples/messages.qfm --execute Confirm ended with $status: $(cat "$work/confirm")"
grep -q "^Confirm.OnCancel Sender=Confirm" "$work/confirm" ||
  fail "the unanswered message box was not cancelled: $(cat "$work/confirm")"

echo "== make demo builds what the demo runs, and nothing else"
# A dry run that takes everything as out of date: the commands the demo's build would run.
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -C "$source_dir" -n -B demo BUILD="$build" >"$work/demo-build" 2>&1 ||
  fail "make -n demo failed: $(tail -n 5 "$work/demo-build")"
grep -q "tools/qel.cpp" "$work/demo-build" || fail "make demo does not build qel"
grep -q "framework/Forms.cpp" "$work/demo-build" || fail "make demo does not build the library"
if grep -E "googletest|/tests/|/bench/" "$work/demo-build" | grep -E -- " -c |-o " | head -n 3 | grep -q .; then
  fail "make demo builds more than qel: $(grep -E "googletest|/tests/|/bench/" "$work/demo-build" | head -n 3)"
fi

echo "== The README's lines to try, as a user types them on a headless shell"
# In a folder of their own (a line writes a log file where it runs), with ./qel and examples/ there.
try=$work/try
mkdir -p "$try"
printf '#!/bin/sh\nexec "%s/qel" "$@"\n' "$source_dir" >"$try/qel"
chmod +x "$try/qel"
ln -s "$source_dir/examples" "$try/examples"
mapfile -t lines < <(awk '/^Try, for instance:/ {found = 1; next}
  found && /^```sh/ {inside = 1; next} inside && /^```/ {exit} inside' "$source_dir/README.md")
((${#lines[@]})) || fail "the README has no lines to try"
for line in "${lines[@]}"; do
  status=0
  # The line, then whatever it started in the background.
  (cd "$try" && env -u DISPLAY -u QEL_SECONDS BUILD=$build timeout 120 bash -c "$line"$'\nwait') \
    >"$try/out" 2>&1 || status=$?
  [[ $status == 0 ]] || fail "the README's line '$line' ended with $status: $(tail -n 5 "$try/out")"
done
echo "${#lines[@]} lines ended by themselves"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "All checks passed"
