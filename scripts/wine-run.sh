#!/usr/bin/env bash
# Runs one Windows program (or a shell script that calls wine itself) under
# Wine with a private Xvfb display, a given private WINEPREFIX, the Japanese
# locale (ANSI code page 932) and quiet Wine. Stops the Xvfb and the prefix's
# wineserver that it started, and only those.
#
#   wine-run.sh --prefix DIR [--arch x64|x86] [--keep] [--use-display] PROGRAM [ARGS...]
#
# PROGRAM ending in .sh is run with bash and finds the Wine loader for the
# build's architecture in $TARN_WINE; anything else is run with that loader.
# --keep leaves the wineserver running (for callers that manage it);
# --use-display uses $DISPLAY instead of a private Xvfb (a person watching).
# Exits 77 (a skipped test) for x86 when this machine cannot run 32-bit
# programs at all (some virtual machines' kernels refuse them).
set -euo pipefail

prefix=""
arch=x64
keep_server=0
use_display=0
while [[ $# -gt 0 ]]; do
    case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --arch) arch="$2"; shift 2 ;;
    --keep) keep_server=1; shift ;;
    --use-display) use_display=1; shift ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[[ -n "$prefix" && $# -ge 1 ]] || { echo "usage: wine-run.sh --prefix DIR PROGRAM [ARGS...]" >&2; exit 2; }

# Debian's `wine` wrapper always prefers the 32-bit loader; call the loaders
# directly so that 64-bit programs run where 32-bit ones cannot.
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine
if [[ "$arch" == x86 ]]; then
    if ! "$wine32_loader" --version >/dev/null 2>&1; then
        echo "wine-run.sh: skipped: this machine cannot run 32-bit programs (32-bit Wine loader fails)" >&2
        exit 77
    fi
    export TARN_WINE="$wine32_loader"
else
    export TARN_WINE="$wine64_loader"
fi
export WINELOADER="$wine64_loader"

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No Mono or Gecko install dialogs when the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="
export TARN_SCRIPTS_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

xvfb_pid=""
server_started=0
cleanup() {
    local rc=$?
    if [[ $server_started -eq 1 && $keep_server -eq 0 ]]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A wineserver already serving this prefix is not ours to stop. wineserver
# works inside its per-prefix server folder, so its cwd tells which it serves.
server_running() {
    local dir pid
    dir=$(printf '/tmp/.wine-%s/server-%x-%x' "$(id -u)" \
        "$(stat -c '%d' "$WINEPREFIX")" "$(stat -c '%i' "$WINEPREFIX")")
    for pid in $(pgrep -u "$(id -u)" -x wineserver || true); do
        [[ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" == "$dir" ]] && return 0
    done
    return 1
}

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        "$wine64_loader" wineboot.exe -i >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
) 9>"$WINEPREFIX.lock"

server_running || server_started=1

# A private display: Xvfb picks a free number and tells it through a pipe.
if [[ $use_display -eq 1 ]]; then
    [[ -n "${DISPLAY:-}" ]] || { echo "wine-run.sh: --use-display needs DISPLAY" >&2; exit 2; }
else
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    # Seconds under emulation; give up early only if Xvfb has died.
    for _ in $(seq 1 1200); do
        [[ -s "$display_file" ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    display_number=$(tr -d '\n' <"$display_file")
    rm -f "$display_file"
    [[ -n "$display_number" ]] || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display_number"
fi

program="$1"
shift
case "$program" in
*.sh) bash "$program" "$@" ;;
*) "$TARN_WINE" "$program" "$@" ;;
esac
