#!/usr/bin/env bash
# Runs the emulated DLLs' self-test under Wine in a private prefix that is
# removed afterwards, together with its wineserver.
#
#   run_self_test.sh DLL_FOLDER [--environment-overrides]
#
# DLL_FOLDER holds hid.dll, setupapi.dll and tests/zentor-emulation-test.exe
# (build/mingw-x64/emulator/windows). With --environment-overrides the
# overrides come from WINEDLLOVERRIDES instead of the program's registry
# key, so that Wine's own services start with the emulated setupapi.dll too.
set -euo pipefail

dlls=$(cd "$1" && pwd)
mode=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
program=zentor-emulation-test.exe

work=$(mktemp -d /tmp/zentor-emulation-test.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
cleanup() {
  wineserver -k 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wineboot -i > "$work/wineboot.log" 2>&1
"$here/../install_emulation.sh" "$WINEPREFIX" "$dlls" "$program"
cp "$dlls/tests/$program" "$work/"

status=0
if [ "$mode" = --environment-overrides ]; then
  # A fresh session, so that services.exe starts under the overrides.
  wineserver -k 2> /dev/null || true
  wineserver -w
  WINEDLLOVERRIDES="hid,setupapi=n,b" wine "$work/$program" > "$work/output.txt" 2>&1 || status=$?
else
  wine "$work/$program" > "$work/output.txt" 2>&1 || status=$?
fi
cat "$work/output.txt"
exit "$status"
