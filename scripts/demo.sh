#!/usr/bin/env bash
# make demo: every subsystem's examples in turn: the tour, the persistence example run four times to show
# what it keeps between runs, the application services, the system actions and information, the form
# behaviour, the files and data holders, and the designer's face.
# Usage: [BUILD=dir] scripts/demo.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cd "$QEL_ROOT"
# One display and one wineserver for all the runs: the build tree's session, kept while the demo runs.
qel_session_join

qel() { ./qel run "$@"; }
step() { printf '\n== %s\n' "$*"; }
# A bare INI file name lands in the Windows directory of the prefix, as the system's profile API puts it.
ini=$WINEPREFIX/drive_c/windows/QELTour.ini
show_ini() { sed 's/\r$//; s/^/   | /' "$ini"; }

step "examples/tour.qfm: events of a form, a timer and a form hook"
qel examples/tour.qfm --seconds 3

rm -f "$ini"
step "examples/persistence.qfm, first run: nothing stored yet, so the form keeps its designed place"
qel examples/persistence.qfm --seconds 2
echo "   what the run left in $ini:"
show_ini

step "As if the user had moved the form to 300,200: the stored place changes"
sed -i 's/^TSettingsForm_Left=.*/TSettingsForm_Left=300\r/; s/^TSettingsForm_Top=.*/TSettingsForm_Top=200\r/' "$ini"
qel examples/persistence.qfm --seconds 2
echo "   the form came back at 300,200 and stored that place again:"
show_ini | grep -E 'Left|Top'

step "A run killed before it could end: the abnormal-end marker stays 1"
# A copy of the form under this build tree, so that the kill finds this run and no other tree's.
killed=$QEL_BUILD/persistence-killed.qfm
cp examples/persistence.qfm "$killed"
./qel run "$killed" --seconds 30 &
run=$!
disown
sleep 3
pkill -KILL -f "qel.exe run $killed" || true
while kill -0 "$run" 2>/dev/null; do sleep 0.1; done
rm -f "$killed"
show_ini | grep IllegalAbort

step "The next run is told: AbortCheck.OnIllegalAbort fires once"
qel examples/persistence.qfm --seconds 2
show_ini | grep IllegalAbort

step "examples/messages.qfm: the message components; each dialog stays up until the time limit cancels it"
qel examples/messages.qfm --seconds 2 --execute Confirm --execute AskName --execute PickFruit

step "examples/onlyone.qfm: a second copy ends before its form shows and hands its command line to the first"
./qel run examples/onlyone.qfm --seconds 6 | sed -u 's/^/   first copy:  /' &
first=$!
sleep 3
qel examples/onlyone.qfm --seconds 6 | sed -u 's/^/   second copy: /'
wait "$first"

step "Three copies started together: exactly one of them keeps running"
for copy in 1 2 3; do
  ./qel run examples/onlyone.qfm --seconds 3 | sed -u "s/^/   copy $copy: /" &
done
wait

step "examples/application.qfm: the application's title, hint settings and events, set from a form"
qel examples/application.qfm --seconds 2

step "examples/tray.qfm: an icon in the notification area for 3 seconds (on a real display, click it)"
qel examples/tray.qfm --seconds 3

# System actions. Nothing here exits Windows or changes the desktop: the log-off question is left
# unanswered until the run ends, which counts as No.
step "examples/actions.qfm: a time trigger set 4 seconds ahead fires once; cmd.exe started and waited for; a missing sound"
actions_form=$QEL_BUILD/actions-demo.qfm
sed "s/TriggerTime = '12:00:00'/TriggerTime = '$(date -d '+4 seconds' +%H:%M:%S)'/" examples/actions.qfm >"$actions_form"
qel "$actions_form" --seconds 6 --execute Launcher --execute Chime
rm -f "$actions_form"

step "examples/actions.qfm: a program that does not exist: the shell's error box stays up until the run ends; Execute is False"
qel examples/actions.qfm --seconds 2 --execute Missing

step "examples/exitwindows.qfm: the question before a log-off, unanswered until the run ends: Windows is never asked"
qel examples/exitwindows.qfm --seconds 2 --execute LogOff

step "examples/sysinfo.qfm: facts of this machine. Drive P: has nothing behind it: its update reports"
echo "   error 3 ten times between BeforeUpdate and AfterUpdate. Then drive C:, the system, qel.exe's own"
echo "   version record, and the resources again after each refresh, once a second."
qel examples/sysinfo.qfm --seconds 2.5 --show DriveC --show System --show Version --show Resources

step "examples/form-behaviour.qfm: a maximised 4:3 form growing out of the screen's corner; a CD goes into E: and out again"
out=$(mktemp)
./qel run examples/form-behaviour.qfm --seconds 4 >"$out" &
run=$!
# The broadcasts go once the form is up, which its OnShow line tells.
for _ in $(seq 100); do grep -q '^Shaper.OnShow' "$out" && break; sleep 0.1; done
./qel broadcast media-arrival E
./qel broadcast media-removal E
wait "$run"
cat "$out"
rm -f "$out"

# The file components. The text replace and the log file work on files in a folder of the build tree,
# which is the current directory of their runs.
step "examples/collector.qfm: a file collector lists the unit headers of the project's tree"
qel examples/collector.qfm --seconds 1 --execute Headers

work=$QEL_BUILD/demo-files
rm -rf "$work"
mkdir -p "$work"
in_work() { (cd "$work" && "$QEL_ROOT/qel" run "$QEL_ROOT/examples/$1" "${@:2}"); }
show() { sed 's/\r$//; s/^/   | /' "$work/$1"; }
printf 'first line\nsecond line\nthird line\nfourth line\nfifth line\n' >"$work/replace-in.txt"
step "examples/textreplace.qfm: the first three lines of a generated file pass BeforeWrite into a copy"
in_work textreplace.qfm --seconds 1 --execute FirstLines
echo "   what it wrote to replace-out.txt:"
show replace-out.txt

step "examples/logfile.qfm, run twice: the header once, then one line per run"
in_work logfile.qfm --seconds 1 --log RunLog "first run"
in_work logfile.qfm --seconds 1 --log RunLog "second run"
show demo.log

step "The designer's face: the palette, and what a selection of two components shares in the designer"
./qel palette
./qel inspect examples/designer.qfm --select Settings,Spy
echo "   and the designer's windows on that form for three seconds:"
./qel design examples/designer.qfm --select Settings --seconds 3
