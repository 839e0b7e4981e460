#!/usr/bin/env bash
# Installs what building, testing and running Orvane need on Debian 12, and
# nothing when it is all there already. Never installs wine32: 32-bit Linux
# programs cannot run on these machines; the x86 exe is only built. (With the
# i386 architecture not enabled, the recommended wine32 cannot be chosen.)
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb x11-apps imagemagick fonts-ipafont-gothic
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
