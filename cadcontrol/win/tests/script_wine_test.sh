#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs the C++
# script client (which starts its own cadsim.exe instances) and script.vbs
# against a cadsim.exe in the background, and unregisters the DLL.
#
#   script_wine_test.sh BIN_DIR TESTS_DIR
set -uo pipefail
bin="$1"
tests="$2"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

[[ -f "$bin/cadsim.exe" ]] || fail "cadsim.exe is missing from $bin"
register_drafthand "$bin"

DRAFTHAND_CADSIM=$(windows_path "$bin/cadsim.exe") timeout 300 "$TARN_WINE" \
    "$bin/drafthand_script_client_tests.exe" '--gtest_filter=-Faults/*' || fail "C++ script client"

# Scripts in Shift_JIS, as users write them.
for source in "$tests/scripts/variables.txt" "$tests/scripts/failing.txt"; do
    iconv -f UTF-8 -t CP932 "$source" >"$work/$(basename "$source")"
done
start_cadsim "$bin" "$work/drawing.dxf"
run_vbs "$tests/script.vbs" "$(windows_path "$work")"
stop_cadsim

unregister_drafthand "$bin"
finish "all script client tests passed"
