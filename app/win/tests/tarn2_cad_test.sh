#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs the window
# tests of tarn2 with cadsim.exe at hand, and unregisters the DLL again.
#
#   tarn2_cad_test.sh BIN_DIR
set -uo pipefail
bin="$1"
# Wine maps the Unix root to drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

dll=$(windows_path "$bin/Drafthand.dll")
"$TARN_WINE" regsvr32.exe /s "$dll" || { echo "FAILED: regsvr32 Drafthand.dll" >&2; exit 1; }
TARN2_CADSIM=$(windows_path "$bin/cadsim.exe") "$TARN_WINE" "$bin/tarn2_window_tests.exe"
rc=$?
"$TARN_WINE" "$bin/tarn2_win_tests.exe" --gtest_filter="DrafthandFactory.*" || rc=1
"$TARN_WINE" regsvr32.exe /s /u "$dll" || echo "warning: regsvr32 /u Drafthand.dll failed" >&2
exit $rc
