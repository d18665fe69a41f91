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

# Wine's cscript exits 0 even when a script dies: demand the summary line.
run_vbs() { # name, arguments...
    local name="$1"
    shift
    iconv -f UTF-8 -t CP932 "$vbs_dir/$name" >"$work/$name"
    local output
    output=$("$TARN_WINE" cscript.exe //nologo "$(windows_path "$work/$name")" "$@" 2>&1 | tr -d '\r')
    echo "$output" | iconv -f CP932 -t UTF-8 -c
    if ! grep -Eq '^[1-9][0-9]* passed, 0 failed$' <<<"$output"; then
        fail "$name"
    fi
}

# cadsim.exe in the background, drawing into DXF (given), with more options.
start_cadsim() {
    local dxf="$1"
    shift
    "$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$dxf")" "$@" &
    cad_pid=$!
    # The stand-in writes its (empty) drawing once it is up.
    for _ in $(seq 1 200); do
        [[ -s "$dxf" ]] && return 0
        sleep 0.1
    done
    fail "cadsim $* did not start"
}
stop_cadsim() {
    kill "$cad_pid" 2>/dev/null
    wait "$cad_pid" 2>/dev/null
    cad_pid=""
}

dll=$(windows_path "$bin/Drafthand.dll")
"$TARN_WINE" regsvr32.exe /s "$dll" || fail "regsvr32 Drafthand.dll"
clsid_key='HKCR\CLSID\{A6338E26-BC5F-4093-A05B-7BA470E771D1}'
typelib_key='HKCR\TypeLib\{7C265EE2-689B-4172-A2ED-B481BD0BCEBC}'
registry() { "$TARN_WINE" reg.exe query "$@" 2>/dev/null | tr -d '\r'; }
registry "$clsid_key\InprocServer32" /v ThreadingModel | grep -q 'Apartment' ||
    fail "no apartment threading model registered"
registry 'HKCR\Drafthand.Acad\CLSID' | grep -q 'A6338E26' || fail "no ProgID registered"
registry "$typelib_key\1.0" | grep -q 'Drafthand ActiveX DLL' || fail "no type library registered"

"$TARN_WINE" "$bin/drafthand_client_tests.exe" --gtest_filter='Fresh.*:NoCad.*:LateBound.*:TypeLibrary.*' ||
    fail "C++ client without a CAD program"
run_vbs fresh.vbs

if [[ -f "$bin/cadsim.exe" ]]; then
    DRAFTHAND_CADSIM=$(windows_path "$bin/cadsim.exe") "$TARN_WINE" \
        "$bin/drafthand_client_tests.exe" || fail "C++ client against cadsim"

    start_cadsim "$work/lt.dxf"
    run_vbs lt.vbs
    grep -q '^LINE' <(tr -d '\r' <"$work/lt.dxf") || fail "no LINE in the stand-in's drawing after lt.vbs"
    stop_cadsim

    start_cadsim "$work/full.dxf" --product full
    run_vbs full.vbs
    stop_cadsim
elif [[ "$need_cadsim" == cadsim ]]; then
    fail "cadsim.exe is missing from $bin"
else
    echo "cadsim.exe not built: only the tests without a CAD program ran"
fi

"$TARN_WINE" regsvr32.exe /s /u "$dll" || fail "regsvr32 /u Drafthand.dll"
# reg.exe answers a missing key with exit status 1.
"$TARN_WINE" reg.exe query "$clsid_key" >/dev/null 2>&1 && fail "class still registered"
"$TARN_WINE" reg.exe query "$typelib_key" >/dev/null 2>&1 && fail "type library still registered"
run_vbs unregistered.vbs

[[ $failures -eq 0 ]] || exit 1
echo "all Drafthand client tests passed"
