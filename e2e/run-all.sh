#!/usr/bin/env bash
# Runs the end-to-end suite once for each Windows build this machine can execute.
# usage: e2e/run-all.sh <32-bit build dir> <64-bit build dir> <output dir>
# Each run writes <output dir>/<win32|win64>/results.txt. A build the machine cannot run is named
# on a line of its own in <output dir>/skipped.txt and counts neither as passed nor as failed;
# when no build can run at all, that is a failure.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

b32=${1:?32-bit build dir}
b64=${2:?64-bit build dir}
out=${3:?output dir}
mkdir -p "$out"
skipped=$out/skipped.txt
: >"$skipped"
rm -f "$out"/win32/results.txt "$out"/win64/results.txt

rc=0 ran=0
for arch in win32 win64; do
    if [ "$arch" = win32 ]; then build=$b32 bits=32; else build=$b64 bits=64; fi
    if ! e2e_can_run "$arch"; then
        if [ "$arch" = win32 ]; then
            why="this kernel cannot execute 32-bit programs"
        else
            why="no 64-bit Wine loader is installed"
        fi
        echo "$bits-bit end-to-end run skipped: $why" | tee -a "$skipped"
        continue
    fi
    ran=$((ran + 1))
    echo "== $bits-bit end-to-end run ($build)"
    "$(dirname "$0")/run.sh" "$build" "$out/$arch" "$arch" || rc=1
done
if [ "$ran" -eq 0 ]; then
    echo "FAIL e2e: no Windows build can run on this machine" | tee -a "$skipped"
    rc=1
fi
exit "$rc"
