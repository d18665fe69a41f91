#!/usr/bin/env bash
# Runs inside the Wine runner: the options, one cadsim.exe started by hand in
# the background, the client tests against cadsim.exe, and the DXF files read
# back with ezdxf.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$(mktemp -d)"
running=""
cleanup() {
    if [[ -n "$running" ]]; then
        kill "$running" 2>/dev/null || true
        wait "$running" 2>/dev/null || true
    fi
    rm -rf "$out"
}
trap cleanup EXIT
cd "$bin"

"$TARN_WINE" cadsim.exe --help >"$out/help.txt"
grep -q -- "--exit-after-commands" "$out/help.txt"
rc=0
"$TARN_WINE" cadsim.exe --no-such-option 2>"$out/err.txt" || rc=$?
[[ $rc -eq 2 ]] || { echo "unknown option: exit code $rc, expected 2"; exit 1; }
grep -q -- "--no-such-option" "$out/err.txt"

"$TARN_WINE" cadsim.exe --drawing running.dwg --dxf "$out/running.dxf" &
running=$!
CADSIM_RUNNING_DRAWING=running.dwg CADSIM_TEST_OUT="$out" \
    "$TARN_WINE" cadsim_client_test.exe
# The client test closed it; it must be gone soon after.
for _ in $(seq 1 100); do
    kill -0 "$running" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$running" 2>/dev/null; then
    echo "the cadsim.exe started in the background did not end on WM_CLOSE"
    exit 1
fi
wait "$running" || { echo "the cadsim.exe started in the background failed"; exit 1; }
running=""

/usr/bin/python3 "$here/check_dxf.py" "$out/running.dxf" "$out/cadsim_client_test.dxf"
