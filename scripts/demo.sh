#!/usr/bin/env bash
# make demo: the tour, then the persistence example run four times to show what it keeps between runs.
# Usage: [BUILD=dir] scripts/demo.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[[ -n ${DISPLAY:-} ]] || qel_headless bash "$0" "$@"
cd "$QEL_ROOT"
# One display and one wineserver for all the runs; both go when the demo ends.
qel_wine_prefix
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
qel_wine_boot

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
./qel run examples/persistence.qfm --seconds 30 &
run=$!
disown
sleep 3
pkill -KILL -f 'qel.exe run examples/persistence.qfm' || true
while kill -0 "$run" 2>/dev/null; do sleep 0.1; done
show_ini | grep IllegalAbort

step "The next run is told: AbortCheck.OnIllegalAbort fires once"
qel examples/persistence.qfm --seconds 2
show_ini | grep IllegalAbort

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
