#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs
# operations.vbs (which starts cadsim.exe through Acad.Execute), checks the
# LINE it drew in the DXF, and unregisters the DLL.
#
#   operations_wine_test.sh BIN_DIR VBS_DIR
set -uo pipefail
bin="$1"
vbs_dir="$2"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

register_drafthand "$bin"
dxf="$work/drawing.dxf"
run_vbs "$vbs_dir/operations.vbs" "$(windows_path "$bin/cadsim.exe")" "$(windows_path "$dxf")"

# cadsim writes its drawing once the LINE is in it.
for _ in $(seq 1 50); do
    grep -q '^LINE' <(tr -d '\r' <"$dxf" 2>/dev/null) && break
    sleep 0.1
done
grep -q '^LINE' <(tr -d '\r' <"$dxf" 2>/dev/null) || fail "no LINE in cadsim's drawing"

unregister_drafthand "$bin"
finish "all operations client tests passed"
