#!/usr/bin/env bash
# Adds up the runners' results and prints one closing line, after a line for each run.
passed=0; failed=0
for f in "$@"; do
  [ -f "$f" ] || continue
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$f" | tail -1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    echo "  $f: $((total - bad)) passed, $bad failed"
    passed=$((passed + total - bad)); failed=$((failed + bad))
  fi
  l=$(grep -E '^[A-Z0-9]+: [0-9]+ passed, [0-9]+ failed' "$f" | tail -1)
  if [ -n "$l" ]; then
    p=$(sed -E 's/^[A-Z0-9]+: ([0-9]+) passed.*/\1/' <<<"$l")
    b=$(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$l")
    echo "  $f: $p passed, $b failed"
    passed=$((passed + p)); failed=$((failed + b))
  fi
  # Lines naming a run that could not happen: a skip is shown, a failure counted.
  grep -E 'run skipped: ' "$f" | sed 's/^/  /'
  n=$(grep -cE '^FAIL e2e: ' "$f")
  failed=$((failed + n))
done
echo "Totals: $passed passed, $failed failed"
