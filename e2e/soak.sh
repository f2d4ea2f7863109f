#!/usr/bin/env bash
# The long soak: random switches by hotkey, pager and activation while windows open, close and
# hang, then a Close that must bring every window home; memory and handles must not grow.
# usage: e2e/soak.sh <windows build dir> [work dir]
# E2E_SOAK_SECONDS (default 240) sets the length, E2E_SOAK_SEED repeats a run.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

build=$(cd "${1:?windows build dir}" 2>/dev/null && pwd) || build=$1
e2e_use_arch "${E2E_ARCH:-win32}" || exit 1
e2e_ensure_build "$build"
if [ ! -f "$build/parmena.exe" ] || [ ! -f "$build/parmdriver.exe" ]; then
    e2e_log "parmena.exe or parmdriver.exe was not built"
    exit 1
fi
out=${2:-$E2E_REPO/build/e2e-soak}
mkdir -p "$out" && out=$(cd "$out" && pwd)
rm -rf "$out/app"
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
export E2E_SOAK_SECONDS=${E2E_SOAK_SECONDS:-240}
e2e_start_xvfb "$out" || exit 1
e2e_make_prefix "$out/prefix" || exit 1
e2e_stage "$build" "$out/app"
e2e_log "soaking for $E2E_SOAK_SECONDS s under Wine on $E2E_DISPLAY"
e2e_run_driver "$out/app" "$out/shots" "$out/soak.log" $((E2E_SOAK_SECONDS + 300)) soak
rc=$?
grep -E '^(PASS|FAIL|INFO) ' "$out/soak.log"
grep -qE '^PASS soak$' "$out/soak.log" || { echo "FAIL soak: no result (driver exit code $rc, see $out/soak.log)"; rc=1; }
exit "$rc"
