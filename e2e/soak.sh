#!/usr/bin/env bash
# The long soak: random switches by hotkey, pager and activation while windows open, close and
# hang, then a Close that must bring every window home; memory and handles must not grow.
# usage: e2e/soak.sh <windows build dir> [work dir]
# E2E_SOAK_SECONDS (default 240) sets the length, E2E_SOAK_SEED repeats a run.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

export E2E_SOAK_SECONDS=${E2E_SOAK_SECONDS:-240}
e2e_prepare_run "${1:-}" "${2:-$E2E_REPO/build/e2e-soak}"
e2e_stage "$build" "$out/app"
e2e_log "soaking for $E2E_SOAK_SECONDS s under Wine on $E2E_DISPLAY"
e2e_run_driver "$out/app" "$out/shots" "$out/soak.log" $((E2E_SOAK_SECONDS + 300)) soak
rc=$?
grep -E '^(PASS|FAIL|INFO) ' "$out/soak.log"
grep -qE '^PASS soak$' "$out/soak.log" || { echo "FAIL soak: no result (driver exit code $rc, see $out/soak.log)"; rc=1; }
exit "$rc"
