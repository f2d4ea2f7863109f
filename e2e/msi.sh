#!/usr/bin/env bash
# The installer packages: what `make dist` writes, then under Wine an install, the installed
# program's start, an upgrade to a newer package, and an uninstall while Parmena runs.
# usage: e2e/msi.sh <32-bit build dir> <64-bit build dir> <output dir>
# Writes <output dir>/results.txt, ending "MSI: N passed, M failed"; exits non-zero on a failure.
# The 64-bit package is installed under 64-bit Wine; the 32-bit one is checked with msiinfo
# everywhere and installed only where the machine can run 32-bit programs.
set -u
# shellcheck source=e2e/lib.sh
. "$(dirname "$0")/lib.sh"

b32=$(cd "${1:?32-bit build dir}" && pwd)
b64=$(cd "${2:?64-bit build dir}" && pwd)
out=${3:?output dir}
mkdir -p "$out" && out=$(cd "$out" && pwd)
results=$out/results.txt
: >"$results"
rm -rf "$out/dist" "$out/newer" "$out/shots"

version=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$E2E_REPO/resources/parmena.rc" | head -1)
newer=${version%.*}.$(( ${version##*.} + 1 ))
reason=""
fail() { reason=${reason:-$*}; }
report() {
    if [ -z "$reason" ]; then echo "PASS $1" >>"$results"; else echo "FAIL $1: $reason" >>"$results"; fi
    reason=""
}
finish() {
    local passed failed
    passed=$(grep -c '^PASS ' "$results")
    failed=$(grep -c '^FAIL ' "$results")
    echo "MSI: $passed passed, $failed failed" >>"$results"
    grep -E '^(PASS|FAIL|INFO) |run skipped: |^MSI: ' "$results"
    [ "$failed" -eq 0 ]
}

# ---- the files of `make dist` (the newer version through the make variable)
make -C "$E2E_REPO" --no-print-directory dist WIN="$b32" WIN64="$b64" DIST="$out/dist" >"$out/dist.log" 2>&1 ||
    fail "make dist failed (see $out/dist.log)"
make -C "$E2E_REPO" --no-print-directory dist WIN="$b32" WIN64="$b64" DIST="$out/newer" VERSION="$newer" \
    >"$out/newer.log" 2>&1 || fail "make dist VERSION=$newer failed (see $out/newer.log)"
files="parmdlg.dll parmena.exe parmena.html parmm.dll"
for arch in x64 x86; do
    msi=$out/dist/parmena-$version-$arch.msi
    [ -f "$msi" ] || { fail "$msi was not written"; continue; }
    tables=$(msiinfo tables "$msi" 2>&1 | sort | tr '\n' ' ')
    for t in File Component Shortcut Registry CustomAction Upgrade InstallExecuteSequence; do
        [[ " $tables" == *" $t "* ]] || fail "$arch package without a $t table"
    done
    got=$(msiinfo export "$msi" File | tail -n +4 | cut -f3 | tr -d '\r' | sort | tr '\n' ' ')
    [ "$got" = "$files " ] || fail "$arch package holds \"$got\", not \"$files\""
    want=$([ "$arch" = x64 ] && echo "x64;1033" || echo "Intel;1033")
    msiinfo suminfo "$msi" | grep -q "^Template: $want" || fail "$arch package is not marked $want"
    msiinfo export "$msi" Property | tr -d '\r' | grep -qx "ProductVersion	$version" || fail "$arch package is not version $version"
    for ca in "CloseParmena	18	parmena.exe	/close" "UninstallParmena	18	parmena.exe	/uninstall"; do
        msiinfo export "$msi" CustomAction | tr -d '\r' | grep -q "^$ca" || fail "$arch package lacks \"$ca\""
    done
    # The closing runs once [#parmena.exe] is known and before anything is removed.
    seq=$(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' | awk -F'\t' '{print $1 "=" $3}')
    at() { sed -n "s/^$1=//p" <<<"$seq"; }
    for ca in CloseParmena UninstallParmena; do
        n=$(at $ca)
        [ -n "$n" ] && [ "$n" -gt "$(at CostFinalize)" ] && [ "$n" -lt "$(at InstallValidate)" ] ||
            fail "$arch package runs $ca at $n, not between CostFinalize and InstallValidate"
    done
done
[ -f "$out/newer/parmena-$newer-x64.msi" ] || fail "no x64 package of version $newer"
report msi_packages

for kind in win32 win64; do
    zip=$out/dist/parmena-$version-$kind.zip
    got=$(unzip -Z1 "$zip" 2>&1 | sort | tr '\n' ' ')
    want="parmena-$version/ $(for f in $files; do printf 'parmena-%s/%s ' "$version" "$f"; done)"
    [ "$got" = "$want" ] || fail "$kind zip holds \"$got\", not \"$want\""
done
report dist_zips

if [ "$(wc -l <"$out/dist/SHA256SUMS" 2>/dev/null)" != 4 ] ||
    ! (cd "$out/dist" && sha256sum --quiet -c SHA256SUMS) >/dev/null 2>&1; then
    fail "SHA256SUMS does not hold the four files, or one does not match"
fi
report dist_sha256sums

# ---- under Wine
# reg query lines without their CR; the value's data of "NAME TYPE DATA" lines.
regq() { "$E2E_WINE" reg query "$@" 2>/dev/null | tr -d '\r'; }
regval() { regq "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
msiexec_q() {
    timeout 180 "$E2E_WINE" msiexec "$1" "$(e2e_winpath "$2")" /qn /l*v "$(e2e_winpath "$out/msiexec-${1#/}-$(basename "$2").log")"
}
unix_of() {  # C:\a\b -> the prefix's drive_c/a/b
    local p=${1#[Cc]:\\}
    printf '%s/drive_c/%s' "$WINEPREFIX" "${p//\\//}"
}
products() { regq 'HKCU\Software\Microsoft\Installer\Products' /s | grep -c 'ProductName *REG_SZ *Parmena$'; }
arp() { regq 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -A40 'DisplayName *REG_SZ *Parmena$'; }
installer_key='HKCU\Software\Orvanne\Parmena Installer'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Orvanne\Parmena\Preferences'
# The user's Start menu, from the profile the install folder lies in.
menu_link() { printf '%s/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Parmena.lnk' "$(unix_of "${dir%%\\AppData\\*}")"; }

# The driver from the staged build, working on the installed folder $2.
driver() {
    local mode=$1 dir=$2 pid rc
    shift 2
    mkdir -p "$out/shots"
    (cd "$out/app" && exec timeout 240 "$E2E_WINE" parmdriver.exe "$mode" "$dir" "$(e2e_winpath "$out/shots")" "$@" \
        >"$out/driver-$mode.log" 2>"$out/driver-$mode.log.stderr") &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do e2e_serve_requests "$out/shots"; sleep 0.1; done
    wait "$pid"
    rc=$?
    e2e_serve_requests "$out/shots"
    sed -i 's/\r$//' "$out/driver-$mode.log"
    grep -E '^(PASS|FAIL|INFO) ' "$out/driver-$mode.log" >>"$results"
    grep -qE '^(PASS|FAIL) ' "$out/driver-$mode.log" ||
        echo "FAIL msi_$mode: the driver ended with code $rc without a result (see $out/driver-$mode.log.stderr)" >>"$results"
}

# Installs $1 into a fresh prefix of kind $2 and checks what it put in place; sets `dir`.
install_checked() {
    local msi=$1 build=$2 f
    msiexec_q /i "$msi" || fail "msiexec /i $(basename "$msi") /qn failed"
    dir=$(regval "$installer_key" Folder)
    dir=${dir%\\}
    [ -n "$dir" ] || { fail "no install folder recorded under $installer_key"; return; }
    for f in parmena.exe parmm.dll parmdlg.dll; do
        cmp -s "$build/$f" "$(unix_of "$dir")/$f" || fail "$f is not in place in $dir"
    done
    cmp -s "$E2E_REPO/resources/parmena.html" "$(unix_of "$dir")/parmena.html" || fail "parmena.html is not in place in $dir"
    case $dir in *\\AppData\\Local\\Programs\\Parmena) ;; *) fail "installed in $dir" ;; esac
    [ -f "$(menu_link)" ] || fail "no Start-menu shortcut \"Parmena\""
}

uninstall_checked() {
    [ -e "$(unix_of "$dir")" ] && fail "the install folder is still there"
    [ -e "$(menu_link)" ] && fail "the Start-menu shortcut is still there"
    [ "$(products)" = 0 ] || fail "an install is still registered"
    "$E2E_WINE" reg query "$installer_key" >/dev/null 2>&1 && fail "the key $installer_key is still there"
}

trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
started=$(date +%s)
e2e_use_arch win64
if ! e2e_start_xvfb "$out" || ! e2e_make_prefix "$out/prefix64"; then
    echo "FAIL msi_install: no X display or Wine prefix" >>"$results"
    finish
    exit 1
fi
rm -rf "$out/app"
e2e_stage "$b64" "$out/app"

install_checked "$out/dist/parmena-$version-x64.msi" "$b64"
for want in "DisplayVersion=$version" "Publisher=Orvanne" "HelpLink=${dir:-}\\parmena.html" "InstallLocation=${dir:-}\\"; do
    got=$(arp | sed -n "s/^ *${want%%=*} *REG_[A-Z_]* *//p" | head -1)
    [ "$got" = "${want#*=}" ] || fail "the Apps entry has ${want%%=*} \"$got\", not \"${want#*=}\""
done
report msi_install
[ -n "${dir:-}" ] && driver installed "$dir" msi_installed_starts

"$E2E_WINE" reg add "$settings_key" /v XResolution /t REG_DWORD /d 4 /f >/dev/null 2>&1 || fail "could not change a setting"
"$E2E_WINE" reg add "$run_key" /v Parmena /d "\"${dir:-}\\parmena.exe\"" /f >/dev/null 2>&1 || fail "could not write the Run value"
msiexec_q /i "$out/newer/parmena-$newer-x64.msi" || fail "msiexec /i of version $newer failed"
[ "$(products)" = 1 ] || fail "$(products) installs registered after the upgrade, not 1"
[ "$(arp | grep -c 'DisplayVersion')" = 1 ] && arp | grep -q "DisplayVersion *REG_SZ *$newer" ||
    fail "the Apps entries after the upgrade: $(arp | grep DisplayVersion | tr -s ' ')"
[ "$(regval "$settings_key" XResolution)" = 0x4 ] || fail "the changed setting \"XResolution\" was lost"
[ -f "$(unix_of "${dir:-C:\\none}")/parmena.exe" ] || fail "parmena.exe is gone after the upgrade"
got=$(regval "$run_key" Parmena)
[ "$got" = "\"${dir:-}\\parmena.exe\"" ] || fail "after the upgrade the Run value \"Parmena\" is \"$got\""
report msi_upgrade

"$E2E_WINE" reg add "$run_key" /v Other /d 'C:\other.exe' /f >/dev/null 2>&1
driver uninstall "$dir" "$(e2e_winpath "$out/newer/parmena-$newer-x64.msi")"
uninstall_checked
regq "$run_key" /v Parmena | grep -q Parmena && fail "the Run value \"Parmena\" is still there"
regq "$run_key" /v Other | grep -q Other || fail "the uninstall removed another program's Run value"
[ "$(regval "$settings_key" XResolution)" = 0x4 ] || fail "the settings were removed"
report msi_uninstall_files
e2e_cleanup

if e2e_can_run win32; then
    e2e_use_arch win32
    if e2e_start_xvfb "$out" && e2e_make_prefix "$out/prefix32"; then
        rm -rf "$out/app" && e2e_stage "$b32" "$out/app"
        install_checked "$out/dist/parmena-$version-x86.msi" "$b32"
        report msi_x86_install
        [ -n "${dir:-}" ] && driver installed "$dir" msi_x86_installed_starts
        msiexec_q /x "$out/dist/parmena-$version-x86.msi" || fail "msiexec /x failed"
        uninstall_checked
        report msi_x86_uninstall
    else
        echo "FAIL msi_x86_install: no X display or 32-bit Wine prefix" >>"$results"
    fi
    e2e_cleanup
else
    echo "32-bit installer run skipped: this kernel cannot execute 32-bit programs" >>"$results"
fi
e2e_log "installer scenarios done after $(( $(date +%s) - started )) s"
finish
