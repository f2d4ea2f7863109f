#!/usr/bin/env bash
# Starts parmena.exe under Wine.
# usage: e2e/run-program.sh <windows build dir> [work dir for the display-less run]
# With a reachable display Parmena opens in a 1024x768 Wine virtual-desktop window, so the
# user's own desktop is left alone; it runs until closed from its menu. Without a display a
# private Xvfb gets a few sample windows, one switch is made, and the pictures are listed.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

build=$(cd "${1:?windows build dir}" 2>/dev/null && pwd) || build=$1
e2e_use_arch "${E2E_ARCH:-win32}" || exit 1
e2e_ensure_build "$build"
if [ ! -f "$build/parmena.exe" ]; then
    e2e_log "$build/parmena.exe was not built"
    exit 1
fi

if [ -n "${DISPLAY:-}" ] && xwd -root -silent -display "$DISPLAY" >/dev/null 2>&1; then
    export WINEPREFIX=${PARMENA_WINEPREFIX:-$E2E_REPO/build/wineprefix-run-$WINEARCH}
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -d "$WINEPREFIX" ]; then
        e2e_log "creating the Wine prefix $WINEPREFIX (once)"
        "$E2E_WINE" wineboot -i >/dev/null 2>&1 || { e2e_log "wineboot failed"; exit 1; }
    fi
    e2e_log "Parmena opens in a Wine virtual desktop on $DISPLAY; close it from its menu (right click on the pager in the top-right corner)"
    cd "$build" && exec "$E2E_WINE" explorer /desktop=Parmena,1024x768 parmena.exe
fi

out=${2:-$E2E_REPO/build/run-demo}
mkdir -p "$out" && out=$(cd "$out" && pwd)
rm -rf "$out/shots" "$out/app"
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
e2e_log "no display: starting a private Xvfb"
e2e_start_xvfb "$out" || exit 1
e2e_log "creating a Wine prefix on $E2E_DISPLAY"
e2e_make_prefix "$out/prefix" || exit 1
e2e_stage "$build" "$out/app"
if [ ! -f "$out/app/parmdriver.exe" ]; then
    e2e_log "parmdriver.exe was not built; cannot open sample windows"
    exit 1
fi
e2e_run_driver "$out/app" "$out/shots" "$out/demo.log" 180 demo
rc=$?
grep -E '^(PASS|FAIL) ' "$out/demo.log"
echo "Pictures:"
for png in "$out"/shots/*.png; do [ -e "$png" ] && echo "  $png"; done
exit "$rc"
