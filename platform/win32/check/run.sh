#!/bin/bash
# Builds win32_check.exe against a Windows build's backend and libraries and runs it under
# Wine in four folders: with both libraries, with none, with only parmm.dll, and with a
# parmm.dll that lacks an entry point.
#   platform/win32/check/run.sh <windows build dir> [work dir]
set -euo pipefail
build=$(cd "${1:?windows build dir}" && pwd)
work=${2:-$build/win32check}
root=$(cd "$(dirname "$0")/../../.." && pwd)
here=$root/platform/win32/check
cxx=i686-w64-mingw32-g++-posix
export WINEPREFIX=${WINEPREFIX:-$work/prefix} WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win32

mkdir -p "$work"/{full,none,hookonly,partial}
$cxx -std=c++17 -Wall -Wextra -I"$root" "$here/win32_check.cpp" "$build/libparmena_win32.a" \
    -luser32 -lgdi32 -ladvapi32 -lshell32 -static -o "$work/win32_check.exe"
$cxx -shared -Wall -Wextra "$here/partial_parmm.cpp" "$here/partial_parmm.def" -static \
    -o "$work/partial/parmm.dll"

for d in full none hookonly partial; do cp "$work/win32_check.exe" "$work/$d/"; done
cp "$build/parmm.dll" "$build/parmdlg.dll" "$work/full/"
cp "$build/parmm.dll" "$work/hookonly/"
cp "$build/parmdlg.dll" "$work/partial/"

run() {
    if [ -n "${DISPLAY:-}" ]; then wine "$@"; else xvfb-run -a wine "$@"; fi
}
rc=0
run "$work/full/win32_check.exe" || rc=1
run "$work/none/win32_check.exe" --expect-missing parmm.dll || rc=1
run "$work/hookonly/win32_check.exe" --expect-missing parmdlg.dll || rc=1
run "$work/partial/win32_check.exe" --expect-missing "RemoveMBHook in parmm.dll" || rc=1
exit $rc
