#!/usr/bin/env bash
# The main job: update an emulated Zentor and show what the user would see.
#
# Builds Orvane.exe (x64) and the emulated Zentor's Windows DLLs, and runs the
# exe under Wine against the emulated device: on your display when there is
# one (click Update yourself), headless on Xvfb otherwise, driven
# automatically, printing the status sequence and saving screenshots to
# artifacts/. With --native, runs the same update natively on Linux in the
# console instead (orvane_demo; pass its options after --native).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ORVANE_JOBS:-2}

scripts/setup.sh

if [[ ${1:-} == --native ]]; then
  shift
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release -j "$jobs" --target orvane_demo
  exec build/native-release/demo/orvane_demo "$@"
fi

cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 -j "$jobs"
exec scripts/run-wine.sh "$@"
