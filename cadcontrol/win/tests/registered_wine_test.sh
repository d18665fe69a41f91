#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll, runs one C++ test
# program against it (given cadsim.exe through DRAFTHAND_CADSIM; the program
# starts its own), and unregisters the DLL.
#
#   registered_wine_test.sh BIN_DIR PROGRAM [ARGS...]
set -uo pipefail
bin="$1"
program="$2"
shift 2
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

[[ -f "$bin/cadsim.exe" ]] || fail "cadsim.exe is missing from $bin"
register_drafthand "$bin"
# The program bounds its own steps; this limit is for the emulated machine.
DRAFTHAND_CADSIM=$(windows_path "$bin/cadsim.exe") timeout 1100 "$TARN_WINE" \
    "$bin/$program" "$@" || fail "$program"
unregister_drafthand "$bin"
finish "$program passed"
