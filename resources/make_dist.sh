#!/usr/bin/env bash
# Packs the two Windows builds for users: a zip each (the program, its two libraries and the
# user's guide, in a folder named after the version) for a portable copy, a per-user Windows
# Installer package each (resources/parmena.wxs), and SHA256SUMS over the four files.
# usage: resources/make_dist.sh <32-bit build dir> <64-bit build dir> <output dir> [version]
# The version is ProductVersion of resources/parmena.rc unless given (a test builds a "newer"
# package of the same program that way).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${3:?output dir}
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=${4:-$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$root/resources/parmena.rc" | head -1)}
[ -n "$version" ] || { echo "make_dist: no ProductVersion in resources/parmena.rc" >&2; exit 1; }
# Windows Installer compares major.minor.build: at most 255.255.65535.
if ! [[ $version =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,5})$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ] ||
    [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
    echo "make_dist: version \"$version\" is not major.minor.build (at most 255.255.65535)" >&2
    exit 1
fi
command -v wixl >/dev/null || { echo "make_dist: wixl is missing (Debian package wixl; make deps installs it)" >&2; exit 1; }

check_build() {
    local f
    for f in parmena.exe parmm.dll parmdlg.dll; do
        [ -f "$1/$f" ] || { echo "make_dist: $1/$f was not built" >&2; return 1; }
    done
}

pack() {
    local build=$1 kind=$2 name="parmena-$version" stage f
    check_build "$build" || return 1
    stage=$(mktemp -d)
    mkdir -p "$stage/$name"
    for f in parmena.exe parmm.dll parmdlg.dll; do cp "$build/$f" "$stage/$name/"; done
    cp "$root/resources/parmena.html" "$stage/$name/"
    rm -f "$out/$name-$kind.zip"
    (cd "$stage" && zip -q -X -r "$out/$name-$kind.zip" "$name")
    rm -rf "$stage"
    echo "$out/$name-$kind.zip"
}

package() {
    local build arch=$2 msi="$out/parmena-$version-$2.msi" log
    check_build "$1" || return 1
    # wixl 0.101 finds files by paths relative to where it runs, not absolute ones.
    build=$(realpath --relative-to="$root" "$1")
    log=$(mktemp)
    rm -f "$msi"
    # wixl reports unknown attributes as warnings but fails only on errors: keep its output
    # for a failure.
    if ! (cd "$root" && wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D Build="$build" \
        -D Resources=resources -o "$msi" resources/parmena.wxs) >"$log" 2>&1 || [ ! -s "$msi" ]; then
        cat "$log" >&2
        rm -f "$log" "$msi"
        echo "make_dist: wixl could not build $msi" >&2
        return 1
    fi
    rm -f "$log"
    echo "$msi"
}

pack "$1" win32
pack "$2" win64
package "$1" x86
package "$2" x64
(cd "$out" && sha256sum "parmena-$version-x64.msi" "parmena-$version-x86.msi" \
    "parmena-$version-win64.zip" "parmena-$version-win32.zip" >SHA256SUMS)
echo "$out/SHA256SUMS"
