#!/usr/bin/env bash
# Adds up the runners' results and prints one closing line.
passed=0; failed=0
for f in "$@"; do
  [ -f "$f" ] || continue
  if line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$f" | tail -1); then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  fi
  if grep -qE '^E2E: [0-9]+ passed, [0-9]+ failed' "$f"; then
    l=$(grep -E '^E2E: ' "$f" | tail -1)
    passed=$((passed + $(sed -E 's/E2E: ([0-9]+) passed.*/\1/' <<<"$l")))
    failed=$((failed + $(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$l")))
  fi
done
echo "Totals: $passed passed, $failed failed"
