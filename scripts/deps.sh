#!/usr/bin/env bash
# Checks that this Debian machine has what building and testing need, and installs what is missing
# when run as root (otherwise prints the commands and fails). Makes no apt call when all is there.
# Usage: scripts/deps.sh [screenshots]
set -euo pipefail

# g++-mingw-w64-i686 brings both thread models; the build uses the posix one, as it does for x86_64.
packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth googletest cmake make)
# `scripts/deps.sh screenshots`: also what make screenshots takes pictures with.
[[ ${1:-} == screenshots ]] && packages+=(x11-apps x11-utils netpbm)

missing=()
for package in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null) == ii* ]] || missing+=("$package")
done
((${#missing[@]})) || exit 0

# The 32-bit Wine comes from the i386 archive.
commands=()
dpkg --print-foreign-architectures | grep -qx i386 || commands+=("dpkg --add-architecture i386")
commands+=("apt-get update" "apt-get install -y --no-install-recommends ${missing[*]}")

if ((EUID != 0)); then
  echo "Missing build dependencies: ${missing[*]}. Install them with:" >&2
  printf '  sudo %s\n' "${commands[@]}" >&2
  exit 1
fi

echo "Installing build dependencies: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
update_failed=false
for command in "${commands[@]}"; do
  echo "+ $command" >&2
  if [[ $command == "apt-get update" ]]; then
    # A mirror being synchronised fails one index now and then; the lists fetched are still used. After
    # three tries the install goes on with them, and says itself what it cannot find.
    for attempt in 1 2 3; do
      $command && break
      update_failed=true
      ((attempt < 3)) && { echo "apt-get update failed; trying again in 10 s" >&2; sleep 10; } ||
        echo "apt-get update failed three times; installing from the package lists there are" >&2
    done
  elif [[ $command == "apt-get install"* ]] && $update_failed; then
    # Without one index (seen: the security suite's i386 one) a 32-bit package cannot have the version
    # its 64-bit twin has there, and the install fails; the release's own suite has both.
    $command && continue
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [[ -n $release ]] || { echo "The install failed, and /etc/os-release names no release to install from" >&2; exit 1; }
    echo "The install failed with an index missing; trying again with the packages of $release" >&2
    echo "+ ${command/install/install -t $release}" >&2
    ${command/install/install -t $release}
  else
    $command
  fi
done
