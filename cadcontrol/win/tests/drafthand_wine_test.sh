#!/usr/bin/env bash
# Runs inside scripts/wine-run.sh: registers Drafthand.dll with regsvr32, runs
# the C++ client and the VBScript clients (without a CAD program, then against
# cadsim.exe when it was built), and unregisters the DLL.
#
#   drafthand_wine_test.sh BIN_DIR VBS_DIR [cadsim]
# With "cadsim", a missing cadsim.exe is a failure.
set -uo pipefail
bin="$1"
vbs_dir="$2"
need_cadsim="${3:-}"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"

register_drafthand "$bin"
clsid_key='HKCR\CLSID\{A6338E26-BC5F-4093-A05B-7BA470E771D1}'
typelib_key='HKCR\TypeLib\{7C265EE2-689B-4172-A2ED-B481BD0BCEBC}'
registry() { "$TARN_WINE" reg.exe query "$@" 2>/dev/null | tr -d '\r'; }
registry "$clsid_key\InprocServer32" /v ThreadingModel | grep -q 'Apartment' ||
    fail "no apartment threading model registered"
registry 'HKCR\Drafthand.Acad\CLSID' | grep -q 'A6338E26' || fail "no ProgID registered"
registry "$typelib_key\1.0" | grep -q 'Drafthand ActiveX DLL' || fail "no type library registered"

"$TARN_WINE" "$bin/drafthand_client_tests.exe" --gtest_filter='Fresh.*:NoCad.*:LateBound.*:TypeLibrary.*' ||
    fail "C++ client without a CAD program"
run_vbs "$vbs_dir/fresh.vbs"

if [[ -f "$bin/cadsim.exe" ]]; then
    DRAFTHAND_CADSIM=$(windows_path "$bin/cadsim.exe") "$TARN_WINE" \
        "$bin/drafthand_client_tests.exe" || fail "C++ client against cadsim"

    start_cadsim "$bin" "$work/lt.dxf"
    run_vbs "$vbs_dir/lt.vbs"
    grep -q '^LINE' <(tr -d '\r' <"$work/lt.dxf") || fail "no LINE in the stand-in's drawing after lt.vbs"
    stop_cadsim

    start_cadsim "$bin" "$work/full.dxf" --product full
    run_vbs "$vbs_dir/full.vbs"
    stop_cadsim
elif [[ "$need_cadsim" == cadsim ]]; then
    fail "cadsim.exe is missing from $bin"
else
    echo "cadsim.exe not built: only the tests without a CAD program ran"
fi

unregister_drafthand "$bin"
# reg.exe answers a missing key with exit status 1.
"$TARN_WINE" reg.exe query "$clsid_key" >/dev/null 2>&1 && fail "class still registered"
"$TARN_WINE" reg.exe query "$typelib_key" >/dev/null 2>&1 && fail "type library still registered"
run_vbs "$vbs_dir/unregistered.vbs"

finish "all Drafthand client tests passed"
