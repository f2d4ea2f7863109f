#!/usr/bin/env bash
# Benchmark figures from the real parmena.exe under Wine: time from Ctrl+Alt+arrow to the first and last
# window moved with 10, 100, 300 and 1000 windows beside a bare batch of the same windows from a
# second process (interleaved, so that only their ratio matters), each size once back to back and
# once with the windows' repaint settled before each start (at 300 windows also with Parmena's
# middle-button hook off), the same with 1 and 5 freshly
# hung windows among 100, the processor share of an idle Parmena, and off-screen to off-screen
# batches with and without SWP_NOREDRAW | SWP_NOCOPYBITS. E2E_BENCH_SIZES="100,1000" measures
# only the plain switches (and off-screen batches) of those sizes.
# usage: e2e/bench.sh <windows build dir> [work dir]
# Prints figures only; it fails only when the measurement itself could not be made.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

e2e_prepare_run "${1:-}" "${2:-$E2E_REPO/build/e2e-bench}"
e2e_stage "$build" "$out/app"
e2e_log "measuring under Wine on $E2E_DISPLAY"
e2e_run_driver "$out/app" "$out/shots" "$out/bench.log" "${E2E_BENCH_TIMEOUT:-2400}" bench
rc=$?
grep -E '^BENCH ' "$out/bench.log"
exit "$rc"
