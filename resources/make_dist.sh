#!/usr/bin/env bash
# Packs the two Windows builds into zips a user can take: the program, its two libraries and
# the user's guide, in a folder named after the version.
# usage: resources/make_dist.sh <32-bit build dir> <64-bit build dir> <output dir>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${3:?output dir}
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$root/resources/parmena.rc" | head -1)
[ -n "$version" ] || { echo "make_dist: no ProductVersion in resources/parmena.rc" >&2; exit 1; }

pack() {
    local build=$1 kind=$2 name="parmena-$version" stage f
    stage=$(mktemp -d)
    mkdir -p "$stage/$name"
    for f in parmena.exe parmm.dll parmdlg.dll; do
        [ -f "$build/$f" ] || { echo "make_dist: $build/$f was not built" >&2; rm -rf "$stage"; return 1; }
        cp "$build/$f" "$stage/$name/"
    done
    cp "$root/resources/parmena.html" "$stage/$name/"
    rm -f "$out/$name-$kind.zip"
    (cd "$stage" && zip -q -X -r "$out/$name-$kind.zip" "$name")
    rm -rf "$stage"
    echo "$out/$name-$kind.zip"
}
pack "$1" win32
pack "$2" win64
