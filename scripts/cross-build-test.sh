#!/usr/bin/env bash
# What one build stores, the other reads: the CrossBuild tests of test_persistence.exe
# (tests/persistence/CrossBuildTest.cpp) with the i686 build writing a form description, an INI file and
# registry values and the x86_64 build reading them, then the other way round. Both run in the x86_64
# tree's Wine session, whose 64-bit prefix runs the programs of both architectures and gives them one
# registry and one file system, as one Windows machine does.
# Usage: scripts/cross-build-test.sh I686_TREE X86_64_TREE (relative to the repository or absolute)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree() { [[ $1 == /* ]] && echo "$1" || echo "$root/$1"; }
i686=$(tree "$1")
x64=$(tree "$2")
for build in "$i686" "$x64"; do
  [[ -f $build/tests/test_persistence.exe ]] || { echo "$build/tests/test_persistence.exe is not built." >&2; exit 1; }
done

export BUILD=$x64
source "$root/scripts/wine-env.sh"
qel_session_join headless
unset QEL_SECONDS

folder=$QEL_BUILD/cross-build
# The folder as the programs see it: through drive Z:, the Linux root.
export QEL_CROSS_BUILD_DIR="Z:${folder//\//\\}"
status=0

# $1 writes, $2 reads; $3 and $4 name them.
cross() {
  rm -rf "$folder"
  mkdir -p "$folder"
  echo "-- $3 writes, $4 reads"
  local output
  if ! output=$(QEL_CROSS_BUILD_STEP=write wine "$1/tests/test_persistence.exe" --gtest_filter='CrossBuild.*' 2>&1); then
    echo "$output"
    echo "$3 could not write." >&2
    status=1
    return
  fi
  if ! QEL_CROSS_BUILD_STEP=read wine "$2/tests/test_persistence.exe" --gtest_filter='CrossBuild.*'; then
    echo "$4 does not read what $3 stored as it stores it itself." >&2
    status=1
  fi
}

cross "$i686" "$x64" i686 x86_64
cross "$x64" "$i686" x86_64 i686
rm -rf "$folder"
exit "$status"
