#!/usr/bin/env bash
# Installs the emulated hid.dll and setupapi.dll into a Wine prefix, for the
# named programs only: the DLLs go into the prefix's C:\windows\system32 (the
# program loads hid.dll from there alone), and each program gets native-first
# overrides under HKCU\Software\Wine\AppDefaults\<program>\DllOverrides.
# Other processes of the prefix keep Wine's own DLLs.
#
#   install_emulation.sh PREFIX DLL_FOLDER PROGRAM.exe [PROGRAM.exe ...]
#
# It starts Wine processes (reg), so in a session that will show windows, set
# DISPLAY before calling it.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 PREFIX DLL_FOLDER PROGRAM.exe [PROGRAM.exe ...]" >&2
  exit 2
fi
prefix=$1
dlls=$2
shift 2

system32="$prefix/drive_c/windows/system32"
if [ ! -d "$system32" ]; then
  echo "$prefix has no C:\\windows\\system32: run wineboot -i first" >&2
  exit 1
fi
cp "$dlls/hid.dll" "$dlls/setupapi.dll" "$system32/"

registry=$(mktemp --suffix=.reg)
trap 'rm -f "$registry"' EXIT
{
  printf 'Windows Registry Editor Version 5.00\r\n'
  for program in "$@"; do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\DllOverrides]\r\n' "$program"
    printf '"hid"="native,builtin"\r\n"setupapi"="native,builtin"\r\n'
  done
} > "$registry"
WINEPREFIX="$prefix" wine reg import "$(winepath -w "$registry" 2>/dev/null || echo "Z:$registry")" > /dev/null 2>&1
for program in "$@"; do
  if ! WINEPREFIX="$prefix" wine reg query "HKCU\\Software\\Wine\\AppDefaults\\$program\\DllOverrides" /v hid \
      2> /dev/null | grep -q 'native,builtin'; then
    echo "the overrides for $program did not reach the registry of $prefix" >&2
    exit 1
  fi
done
