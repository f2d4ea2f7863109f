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
  for kind in E2E FUZZ; do
    if grep -qE "^$kind: [0-9]+ passed, [0-9]+ failed" "$f"; then
      l=$(grep -E "^$kind: " "$f" | tail -1)
      passed=$((passed + $(sed -E 's/^[A-Z0-9]+: ([0-9]+) passed.*/\1/' <<<"$l")))
      failed=$((failed + $(sed -E 's/.*passed, ([0-9]+) failed.*/\1/' <<<"$l")))
    fi
  done
done
echo "Totals: $passed passed, $failed failed"
