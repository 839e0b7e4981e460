#!/usr/bin/env bash
# Static checks of a built Orvane.exe: the right machine type, a GUI program,
# and no DLL to ship beside it (only the system's own are imported, and
# hid.dll is not among them: it is loaded from the system folder at run time).
set -euo pipefail
exe=$1
arch=$2
case $arch in
  x64) triple=x86_64-w64-mingw32; machine="x86-64"; pattern="architecture: i386:x86-64," ;;
  x86) triple=i686-w64-mingw32; machine="i386"; pattern="architecture: i386," ;;
  *) echo "usage: check-exe.sh <exe> x64|x86" >&2; exit 2 ;;
esac
[[ -f $exe ]] || { echo "check-exe: $exe is missing" >&2; exit 1; }

headers=$("$triple-objdump" -p "$exe")
fail() { echo "check-exe: $exe: $*" >&2; exit 1; }
"$triple-objdump" -f "$exe" | grep -q "$pattern" || fail "not a $machine executable"
grep -q "Subsystem.*(Windows GUI)" <<<"$headers" || fail "not a GUI program"

system_dlls='^(kernel32|user32|gdi32|comctl32|setupapi|advapi32|shell32|ole32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
while read -r dll; do
  lower=${dll,,}
  [[ $lower =~ $system_dlls ]] || fail "imports $dll, which would have to be shipped or could be planted"
done < <(grep "DLL Name:" <<<"$headers" | awk '{print $3}')
echo "check-exe: $exe ($arch): $machine GUI program, imports only system DLLs"
