#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: the fault matrix. tarn2 (draw, pick) and
# Drafthand's Control (SendCommand, RunScript) against cadsim.exe that hangs,
# is suspended, dies or refuses input; each cell prints its time.
#
#   fault_matrix_test.sh BIN_DIR
set -uo pipefail
bin="$1"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

register_drafthand "$bin"
cadsim=$(windows_path "$bin/cadsim.exe")
DRAFTHAND_CADSIM="$cadsim" timeout 600 "$TARN_WINE" "$bin/drafthand_script_client_tests.exe" \
    '--gtest_filter=Faults/*' || fail "fault matrix of the component"
TARN2_CADSIM="$cadsim" timeout 600 "$TARN_WINE" "$bin/tarn2_window_tests.exe" \
    '--gtest_filter=Faults/*' || fail "fault matrix of tarn2"
unregister_drafthand "$bin"
finish "fault matrix passed"
