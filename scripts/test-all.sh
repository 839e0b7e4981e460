#!/usr/bin/env bash
# Sets up the machine, builds the three configurations and runs every test:
# the native tests (with AddressSanitizer and UndefinedBehaviorSanitizer), the
# resource checks of both Windows executables, the static checks of both, and
# the Wine tests of the x64 executable.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${ORVANE_JOBS:-2}

scripts/setup.sh

step() { printf '\n=== %s\n' "$*"; }

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

for arch in x64 x86; do
  step "mingw-$arch build"
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" -j "$jobs"
done

for arch in x64 x86; do
  step "Orvane.exe ($arch): static checks and resources"
  scripts/check-exe.sh "build/mingw-$arch/app/Orvane.exe" "$arch"
  tests/resources/check_exe.sh "$root/build/native/tests/resources/orvane-resource-checker" \
    "$root/build/mingw-$arch/app/Orvane.exe" "$arch"
done

step "Orvane.exe (x64) under Wine"
tests/wine/run.sh

step "all tests passed"
