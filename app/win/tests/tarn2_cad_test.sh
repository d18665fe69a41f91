#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs the window
# tests of tarn2 with cadsim.exe at hand, and unregisters the DLL again.
#
#   tarn2_cad_test.sh BIN_DIR
set -uo pipefail
bin="$1"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

register_drafthand "$bin"
TARN2_CADSIM=$(windows_path "$bin/cadsim.exe") "$TARN_WINE" "$bin/tarn2_window_tests.exe" \
    '--gtest_filter=-Faults/*' ||
    fail "tarn2 window tests with cadsim"
"$TARN_WINE" "$bin/tarn2_win_tests.exe" --gtest_filter="DrafthandFactory.*" ||
    fail "Drafthand factory tests"
unregister_drafthand "$bin"
finish "all tarn2 tests with cadsim passed"
