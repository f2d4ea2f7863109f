#!/usr/bin/env bash
# End-to-end scenarios: parmena.exe under Wine on a private Xvfb, worked by parmdriver.exe.
# usage: e2e/run.sh <windows build dir> <output dir> [win32|win64]
# Writes <output dir>/results.txt (last line "E2E: N passed, M failed") and PNG screenshots
# under <output dir>/shots; exits non-zero when any scenario fails.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

build=$(cd "${1:?windows build dir}" 2>/dev/null && pwd) || build=$1
out=${2:?output dir}
arch=${3:-win32}
mkdir -p "$out" && out=$(cd "$out" && pwd)
results=$out/results.txt
rm -rf "$out/shots" "$out/app"
: >"$results"

finish() {
    local passed failed
    passed=$(grep -c '^PASS ' "$results")
    failed=$(grep -c '^FAIL ' "$results")
    echo "E2E: $passed passed, $failed failed" >>"$results"
    grep -E '^(PASS|FAIL|INFO) |^E2E: ' "$results"
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
}

if [ ! -f "$build/parmdriver.exe" ]; then
    echo "FAIL driver: $build/parmdriver.exe was not built" >>"$results"
    finish
    exit 1
fi

e2e_use_arch "$arch" || { echo "FAIL setup: unknown build kind $arch" >>"$results"; finish; exit 1; }
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

started=$(date +%s)
e2e_start_xvfb "$out" || { echo "FAIL setup: no X display could be started" >>"$results"; finish; exit 1; }
e2e_log "Xvfb on $E2E_DISPLAY; creating the Wine prefix"
e2e_make_prefix "$out/prefix" || { echo "FAIL setup: the Wine prefix could not be created" >>"$results"; finish; exit 1; }
e2e_stage "$build" "$out/app"
e2e_log "prefix ready after $(( $(date +%s) - started )) s; running the scenarios"

limit=${E2E_TIMEOUT:-300}
# E2E_MODE=unicode or E2E_MODE=speed runs one group of scenarios alone.
e2e_run_driver "$out/app" "$out/shots" "$out/driver.log" "$limit" "${E2E_MODE:-run}"
rc=$?
grep -E '^(PASS|FAIL|INFO) ' "$out/driver.log" >>"$results"
# Scenarios the driver announced but never reported did not run: they count as failures.
for name in $(sed -n 's/^PLAN //p' "$out/driver.log" | head -1); do
    grep -qE "^(PASS|FAIL) $name(:|$)" "$results" || echo "FAIL $name: not reached, the driver ended early (exit code $rc)" >>"$results"
done
if [ "$rc" -eq 124 ]; then
    echo "FAIL driver: stopped after $limit s" >>"$results"
elif [ "$rc" -ne 0 ] && ! grep -q '^FAIL ' "$results"; then
    echo "FAIL driver: exited with code $rc without naming a failure (see $out/driver.log.stderr)" >>"$results"
fi
for png in "$out"/shots/*.png; do [ -e "$png" ] && echo "INFO picture $png" >>"$results"; done
e2e_log "scenarios done after $(( $(date +%s) - started )) s"
finish
