# shellcheck shell=bash
# Shared by run.sh, run-program.sh and bench.sh: a private Xvfb, a private Wine prefix with a
# 1024x768 virtual desktop, staging of the Windows build, and screenshot service for the driver.
# Every process started here is ended by e2e_cleanup, and nothing else is touched.

E2E_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
E2E_XVFB_PID=""
E2E_DISPLAY=""
E2E_WINE=""

# Wine loaders by the bitness of the programs they run. A kernel without 32-bit support cannot
# execute the 32-bit loader at all, so each is tried before use.
E2E_WINE32=${E2E_WINE32:-/usr/lib/wine/wine}
E2E_WINE64=${E2E_WINE64:-/usr/lib/wine/wine64}
e2e_can_run() {
    local loader
    case $1 in win32) loader=$E2E_WINE32 ;; win64) loader=$E2E_WINE64 ;; *) return 1 ;; esac
    [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1
}

# Chooses the loader and prefix kind for "win32" or "win64"; every later Wine call uses them.
e2e_use_arch() {
    case $1 in
        win32) E2E_WINE=$E2E_WINE32 E2E_TOOLCHAIN=i686 ;;
        win64) E2E_WINE=$E2E_WINE64 E2E_TOOLCHAIN=x86_64 ;;
        *) e2e_log "unknown Windows build kind: $1"; return 1 ;;
    esac
    export WINEARCH=$1 WINELOADER=$E2E_WINE
}

e2e_log() { printf '[e2e] %s\n' "$*" >&2; }

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s; fails when time runs out.
wait_until() {
    local limit=$(( $1 * 10 )) i=0
    shift
    until "$@"; do
        i=$((i + 1))
        [ "$i" -ge "$limit" ] && return 1
        sleep 0.1
    done
}

_xvfb_ready() { [ -S "/tmp/.X11-unix/X$1" ] || ! kill -0 "$2" 2>/dev/null; }

# Starts Xvfb on the first free display from :97 on; sets E2E_DISPLAY and E2E_XVFB_PID.
e2e_start_xvfb() {
    local logdir=$1 n pid
    for n in $(seq 97 160); do
        if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$logdir/xvfb.log" 2>&1 &
        pid=$!
        if wait_until 10 _xvfb_ready "$n" "$pid" && kill -0 "$pid" 2>/dev/null; then
            E2E_XVFB_PID=$pid
            E2E_DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    e2e_log "no free X display between :97 and :160"
    return 1
}

# Creates a fresh prefix at $1 with the virtual desktop "Default" of 1024x768.
e2e_make_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=$E2E_DISPLAY
    rm -rf "$WINEPREFIX"
    local log=$WINEPREFIX.log
    : >"$log"
    timeout 180 "${E2E_WINE:-wine}" wineboot -i >>"$log" 2>&1 || { e2e_log "wineboot failed (see $log)"; return 1; }
    local reg=$WINEPREFIX.desktop.reg
    printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' >"$reg"
    timeout 60 "${E2E_WINE:-wine}" regedit /S "$(e2e_winpath "$reg")" >>"$log" 2>&1 || { e2e_log "regedit failed"; return 1; }
    # The desktop was created before the setting existed: let this server end, the next start
    # creates the virtual desktop.
    timeout 60 wineserver -w || { e2e_log "wineserver did not end"; return 1; }
}

# Unix path -> the same file through Wine's Z: drive.
e2e_winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# Copies what the driver needs from a Windows build folder into $2.
e2e_stage() {
    local build=$1 dest=$2 f
    mkdir -p "$dest"
    for f in parmena.exe parmm.dll parmdlg.dll parmdriver.exe; do
        [ -f "$build/$f" ] && cp "$build/$f" "$dest/"
    done
    cp "$E2E_REPO/resources/parmena.html" "$dest/"
    return 0
}

# Brings a Windows build folder up to date, configuring it first if it is new.
e2e_ensure_build() {
    local build=$1
    (cd "$E2E_REPO" &&
        if [ ! -f "$build/CMakeCache.txt" ]; then
            cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-${E2E_TOOLCHAIN:-i686}.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
        fi &&
        cmake --build "$build" -j 2 >/dev/null) || e2e_log "the Windows build failed"
}

# The common start of bench.sh and soak.sh: build $1 (kind from E2E_ARCH), then a fresh work
# folder $2 with its app folder cleared; sets `build` and `out`, installs the clean-up, and starts
# Xvfb and the prefix. Exits the script when any of it fails.
e2e_prepare_run() {
    build=$(cd "${1:?windows build dir}" 2>/dev/null && pwd) || build=$1
    e2e_use_arch "${E2E_ARCH:-win32}" || exit 1
    e2e_ensure_build "$build"
    if [ ! -f "$build/parmena.exe" ] || [ ! -f "$build/parmdriver.exe" ]; then
        e2e_log "parmena.exe or parmdriver.exe was not built"
        exit 1
    fi
    out=$2
    mkdir -p "$out" && out=$(cd "$out" && pwd)
    rm -rf "$out/app"
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    e2e_start_xvfb "$out" || exit 1
    e2e_make_prefix "$out/prefix" || exit 1
}

# Process id of the first process of this prefix whose command line matches the pattern $1.
_prefix_pid() {
    local dir pid
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        tr '\0' ' ' <"$dir/cmdline" 2>/dev/null | grep -qE "$1" || continue
        if tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}

# User plus system clock ticks of a process so far.
_ticks() { sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | awk '{print $12 + $13}'; }

# Processor share of parmena.exe and of this prefix's wineserver over the seconds in $1.
_measure_cpu() {
    local request=$1 seconds pid server p0 s0 p1 s1 hz
    seconds=$(tr -dc '0-9' <"$request")
    [ -n "$seconds" ] || seconds=10
    pid=$(_prefix_pid 'parmena\.exe') || { echo "parmena.exe process not found"; return; }
    server=$(_prefix_pid '^wineserver|/wineserver')
    hz=$(getconf CLK_TCK)
    p0=$(_ticks "$pid")
    s0=$( [ -n "$server" ] && _ticks "$server")
    sleep "$seconds"
    p1=$(_ticks "$pid")
    s1=$( [ -n "$server" ] && _ticks "$server")
    awk -v p="$((p1 - p0))" -v s="$(( ${s1:-0} - ${s0:-0} ))" -v hz="$hz" -v t="$seconds" \
        'BEGIN { printf "parmena.exe %.2f%% of one processor (%d ms), wineserver %.2f%% (%d ms)\n",
                 100 * p / hz / t, 1000 * p / hz, 100 * s / hz / t, 1000 * s / hz }'
}

# Serves the driver's requests left in $1: NAME.req asks for a picture of the whole X screen,
# NAME.cpu for a processor-share measurement answered in NAME.txt.
e2e_serve_requests() {
    local dir=$1 req name
    for req in "$dir"/*.req; do
        [ -e "$req" ] || continue
        name=${req%.req}
        if import -window root -display "$E2E_DISPLAY" "$name.part.png" 2>>"$dir/import.log" ||
            { xwd -root -silent -display "$E2E_DISPLAY" | convert xwd:- "$name.part.png"; } 2>>"$dir/import.log"; then
            mv -f "$name.part.png" "$name.png"
        fi
        rm -f "$req"
    done
    for req in "$dir"/*.cpu; do
        [ -e "$req" ] || continue
        _measure_cpu "$req" >"${req%.cpu}.txt" 2>&1
        rm -f "$req"
    done
}

# Runs the driver under Wine, serving its requests until it ends. Returns its exit code.
# e2e_run_driver APPDIR SHOTDIR LOG TIMEOUT MODE
e2e_run_driver() {
    local app=$1 shots=$2 log=$3 limit=$4 mode=$5 pid rc
    mkdir -p "$shots"
    (cd "$app" && exec timeout "$limit" "${E2E_WINE:-wine}" parmdriver.exe "$mode" "$(e2e_winpath "$app")" \
        "$(e2e_winpath "$shots")" >"$log" 2>"$log.stderr") &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        e2e_serve_requests "$shots"
        sleep 0.1
    done
    wait "$pid"
    rc=$?
    e2e_serve_requests "$shots"
    # The Windows side writes CRLF line ends.
    [ -f "$log" ] && sed -i 's/\r$//' "$log"
    return "$rc"
}

# Ends what this script started: the Wine processes of its own prefix, then its Xvfb.
e2e_cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null
        timeout 20 wineserver -w 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=""
    fi
}

# As a command: "lib.sh can-run win32|win64" tells whether this machine can run that build.
if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = can-run ]; then
    e2e_can_run "${2:-}"
    exit
fi
