#!/bin/sh
# Checks the resources of a Windows build of the program with the checker
# built by the native tests:
#   check_exe.sh <checker> <Orvane.exe> <x86|x64> [<firmware image>]
# e.g. tests/resources/check_exe.sh \
#        build/native/tests/resources/orvane-resource-checker \
#        build/mingw-x64/app/Orvane.exe x64
# Without a firmware image the checker compares resource DMP 131 with the
# image the native build chose; give the image when the Windows build was
# configured with another ORVANE_FIRMWARE_IMAGE.
set -eu

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 <checker> <exe> <x86|x64> [<firmware image>]" >&2
  exit 2
fi
checker=$1
exe=$2
architecture=$3

if [ ! -x "$checker" ]; then
  echo "$0: no checker at $checker; build the native preset first" >&2
  exit 2
fi
if [ ! -f "$exe" ]; then
  echo "$0: no program at $exe; build the mingw-$architecture preset first" >&2
  exit 2
fi
shift 3
exec "$checker" "$exe" "$architecture" "$@"
