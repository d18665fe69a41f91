#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs
# operations.vbs (which starts cadsim.exe through Acad.Execute), checks the
# LINE it drew in the DXF, and unregisters the DLL.
#
#   operations_wine_test.sh BIN_DIR VBS_DIR
set -uo pipefail
bin="$1"
vbs_dir="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wine maps the Unix root to drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

dll=$(windows_path "$bin/Drafthand.dll")
"$TARN_WINE" regsvr32.exe /s "$dll" || fail "regsvr32 Drafthand.dll"

iconv -f UTF-8 -t CP932 "$vbs_dir/operations.vbs" >"$work/operations.vbs"
dxf="$work/drawing.dxf"
# Into a file, not a pipe: the cadsim.exe that Execute starts inherits the
# output and outlives cscript.
timeout 240 "$TARN_WINE" cscript.exe //nologo "$(windows_path "$work/operations.vbs")" \
    "$(windows_path "$bin/cadsim.exe")" "$(windows_path "$dxf")" >"$work/output.txt" 2>&1
output=$(tr -d '\r' <"$work/output.txt")
echo "$output" | iconv -f CP932 -t UTF-8 -c
# Wine's cscript exits 0 even when a script dies: demand the summary line.
grep -Eq '^[1-9][0-9]* passed, 0 failed$' <<<"$output" || fail "operations.vbs"

# cadsim writes its drawing once the LINE is in it.
for _ in $(seq 1 50); do
    grep -q '^LINE' <(tr -d '\r' <"$dxf" 2>/dev/null) && break
    sleep 0.1
done
grep -q '^LINE' <(tr -d '\r' <"$dxf" 2>/dev/null) || fail "no LINE in cadsim's drawing"

"$TARN_WINE" regsvr32.exe /s /u "$dll" || fail "regsvr32 /u Drafthand.dll"
[[ $failures -eq 0 ]] || exit 1
echo "all operations client tests passed"
