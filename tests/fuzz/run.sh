#!/usr/bin/env bash
# Runs every fuzz target of a build for the given seconds, starting from its committed corpus.
# New inputs go to the build's own corpus; a finding is saved under <build>/findings and fails
# the run. Writes <build>/results.txt ending in "FUZZ: N passed, M failed".
set -uo pipefail
build=${1:?build directory}
seconds=${2:?seconds per target}
here=$(cd "$(dirname "$0")" && pwd)
results="$build/results.txt"
: >"$results"
passed=0; failed=0
for bin in "$build"/fuzz_*; do
  [ -x "$bin" ] || continue
  name=${bin##*/fuzz_}
  seeds="$here/corpus/$name"
  work="$build/corpus/$name"
  findings="$build/findings/$name"
  mkdir -p "$seeds" "$work" "$findings"
  log="$build/$name.log"
  "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
         -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(grep -E '^stat::number_of_executed_units:' "$log" | tail -1 | awk '{print $2}')
  if [ $rc -eq 0 ]; then
    passed=$((passed + 1)); verdict=passed
  else
    failed=$((failed + 1)); verdict="FAILED (see $log and $findings)"
  fi
  echo "fuzz_$name: ${runs:-0} executions in ${seconds}s, $verdict" | tee -a "$results"
done
echo "FUZZ: $passed passed, $failed failed" | tee -a "$results"
[ $failed -eq 0 ]
