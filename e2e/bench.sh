#!/usr/bin/env bash
# Benchmark figures from the real parmena.exe under Wine: time from Ctrl+Alt+arrow to the last
# window moved with 10, 100 and 300 windows beside a bare batch of the same windows from a
# second process (interleaved, so that only their ratio matters), the same with 1 and 5 freshly
# hung windows among 100, and the processor share of an idle Parmena.
# usage: e2e/bench.sh <windows build dir> [work dir]
# Prints figures only; it fails only when the measurement itself could not be made.
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
out=${2:-$E2E_REPO/build/e2e-bench}
mkdir -p "$out" && out=$(cd "$out" && pwd)
rm -rf "$out/app"
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
e2e_start_xvfb "$out" || exit 1
e2e_make_prefix "$out/prefix" || exit 1
e2e_stage "$build" "$out/app"
e2e_log "measuring under Wine on $E2E_DISPLAY"
e2e_run_driver "$out/app" "$out/shots" "$out/bench.log" "${E2E_BENCH_TIMEOUT:-1500}" bench
rc=$?
grep -E '^BENCH ' "$out/bench.log"
exit "$rc"
