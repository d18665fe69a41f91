#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs the C++
# script client (which starts its own cadsim.exe instances) and script.vbs
# against a cadsim.exe in the background, and unregisters the DLL.
#
#   script_wine_test.sh BIN_DIR TESTS_DIR
set -uo pipefail
bin="$1"
tests="$2"
work=$(mktemp -d)
cad_pid=""
cleanup() {
    if [[ -n "$cad_pid" ]]; then
        kill "$cad_pid" 2>/dev/null
        wait "$cad_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Wine maps the Unix root to drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

[[ -f "$bin/cadsim.exe" ]] || fail "cadsim.exe is missing from $bin"
dll=$(windows_path "$bin/Drafthand.dll")
"$TARN_WINE" regsvr32.exe /s "$dll" || fail "regsvr32 Drafthand.dll"

DRAFTHAND_CADSIM=$(windows_path "$bin/cadsim.exe") timeout 300 "$TARN_WINE" \
    "$bin/drafthand_script_client_tests.exe" || fail "C++ script client"

# Scripts and the VBScript client in Shift_JIS, as users write them.
for source in "$tests/script.vbs" "$tests/scripts/variables.txt" "$tests/scripts/failing.txt"; do
    iconv -f UTF-8 -t CP932 "$source" >"$work/$(basename "$source")"
done
dxf="$work/drawing.dxf"
"$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$dxf")" &
cad_pid=$!
# The stand-in writes its (empty) drawing once it is up.
for _ in $(seq 1 200); do
    [[ -s "$dxf" ]] && break
    sleep 0.1
done
output=$(timeout 120 "$TARN_WINE" cscript.exe //nologo "$(windows_path "$work/script.vbs")" \
    "$(windows_path "$work")" 2>&1 | tr -d '\r')
echo "$output" | iconv -f CP932 -t UTF-8 -c
# Wine's cscript exits 0 even when a script dies: demand the summary line.
grep -Eq '^[1-9][0-9]* passed, 0 failed$' <<<"$output" || fail "script.vbs"

"$TARN_WINE" regsvr32.exe /s /u "$dll" || fail "regsvr32 /u Drafthand.dll"
[[ $failures -eq 0 ]] || exit 1
echo "all script client tests passed"
