#!/usr/bin/env bash
# One package (x64 or x86, by its name) under Wine, in a fresh prefix of its
# own: a silent install puts the files and the guide where the package says
# and registers Drafthand exactly as its self-registration would; tarn2,
# started through its Start-menu shortcut, draws the whole road into cadsim
# and writes its drawing script into the user's profile folder (the
# shortcut's %USERPROFILE%, expanded); the same version twice and a newer
# over an older version each leave one working copy; a silent uninstall
# leaves the registry and the drive as they were before.
#
#   msi_wine_test.sh BIN_DIR PACKAGING_BUILD_DIR MSI TESTS_DIR WXS
set -uo pipefail
bin="$1"
packaging="$2"
msi="$3"
tests="$4"
wxs="$5"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"
# The package's version, and as Acad.Version reads it (1.0.0: 1.00.00).
version=$(basename "$msi" | sed -E 's/^tarn-([0-9]+\.[0-9]+\.[0-9]+)-(x64|x86)\.msi$/\1/')
arch=$(basename "$msi" | sed -E 's/^tarn-[0-9.]+-(x64|x86)\.msi$/\1/')
if [[ "$arch" == x64 ]]; then
    program_files="Program Files"
    tarn2_link="tarn2.lnk"
    guide_link="tarn ユーザーガイド.lnk"
else
    program_files="Program Files (x86)"
    tarn2_link="tarn2 (x86).lnk"
    guide_link="tarn ユーザーガイド (x86).lnk"
fi
IFS=. read -r major minor patch <<<"$version"
acad_version=$(printf '%d.%02d.%02d' "$major" "$minor" "$patch")
older=0.0.1
[[ -n "$major" && -n "$patch" ]] || { echo "FAILED: no version in the name $msi" >&2; exit 1; }

export WINEPREFIX="$work/prefix"
# No desktop menu entries: they would go to this machine's home folder.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap 'stop_cadsim; wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; rm -rf "$work"' EXIT
installed="$WINEPREFIX/drive_c/$program_files/tarn"
# Wine's Windows Installer puts a per-machine shortcut into the installing
# user's Start menu; Windows puts it into the common one.
shortcut() { # file name
    find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$1" | head -1
}
shortcut_made() {
    [[ -n "$(shortcut "$tarn2_link")" && -n "$(shortcut "$guide_link")" ]]
}

# Wine writes the registry files when its server ends.
flush() { wineserver -w >/dev/null 2>&1; }
# Windows Installer's own empty containers stay once it has run, as on every
# Windows: they are not the package's. Wine's hardware keys change with every
# start of the prefix.
installer_own=$'^Software\\\\\\\\(Classes|Microsoft\\\\\\\\Windows\\\\\\\\CurrentVersion)\\\\\\\\Installer\\\\\\\\(Features|Products|UpgradeCodes|UserData\\\\\\\\S-1-5-18\\\\\\\\(Components|Products))\t\t$'
snapshot() { # name
    flush
    local file
    for file in system.reg user.reg; do
        python3 "$tests/regdump.py" "$WINEPREFIX/$file" --skip 'Control\\Class\\' \
            --skip 'CurrentVersion\\NetworkCards'
    done | grep -Ev "$installer_own" >"$work/$1.reg"
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows/temp -prune -o -path '*/Temp' -prune \
        -o -printf '%y %p\n' | grep -vx 'd ./windows/Installer' | sort) >"$work/$1.files"
}
same_as_clean() { # step
    snapshot after
    diff "$work/clean.reg" "$work/after.reg" >"$work/diff.reg" ||
        { fail "$1: the registry differs from before the install"; head -80 "$work/diff.reg"; }
    diff "$work/clean.files" "$work/after.files" >"$work/diff.files" ||
        { fail "$1: the drive differs from before the install"; head -40 "$work/diff.files"; }
}
msiexec() { # arguments...
    "$TARN_WINE" msiexec.exe "$@" >/dev/null 2>&1
}
# The versions of the "tarn (ARCH)" products Windows Installer lists, read
# through reg.exe in both registry views (no registry flush, which restarts
# Wine's services).
installed_versions() {
    local view
    for view in 64 32; do
        "$TARN_WINE" reg.exe query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
            /reg:$view 2>/dev/null
    done | tr -d '\r' | awk -v product="tarn ($arch)" '
        function emit() { if (name == product && !(version in seen)) { seen[version]; print version } }
        /^HKEY_/ { emit(); name = ""; version = ""; next }
        $1 == "DisplayName" { name = $0; sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]+/, "", name) }
        $1 == "DisplayVersion" { version = $3 }
        END { emit() }'
}
expect_versions() { # step, expected versions, sorted, blank between
    local found
    found=$(installed_versions | sort | tr '\n' ' ' | sed 's/ $//')
    [[ "$found" == "$2" ]] || fail "$1: installed versions [$found], expected [$2]"
}
# Drafthand's keys, with its folder written as <dir>. Wine's own type library
# registration differs from Windows in ways that do not matter here: it
# writes paths as "\\?\..." and the disk-image flag (8) into FLAGS, and it
# copies the interfaces into the 32-bit view, where a 64-bit in-process
# server is of no use. A folder's trailing backslash is dropped. An x86
# server's keys are those of the 32-bit view.
drafthand_keys() { # folder of the dll (Windows path)
    flush
    local escaped="${1//\\/\\\\}"
    local view=(--skip Wow6432Node)
    [[ "$arch" == x86 ]] && view=()
    python3 "$tests/regdump.py" "$WINEPREFIX/system.reg" "${view[@]}" \
        --replace '\\\\?\\' '' --replace "$escaped" '<dir>' \
        $(sed -n 's/.*uuid(\([0-9A-Fa-f-]*\)).*/--only \1/p' "$TARN_SCRIPTS_DIR/../cadcontrol/win/Drafthand.idl") \
        --only 'Drafthand.Acad' |
        sed -E 's/(\\FLAGS\t@\t)"8"$/\1"0"/; s/\\\\"$/"/' |
        if [[ "$arch" == x86 ]]; then grep -i wow6432node; else cat; fi
}

"$TARN_WINE" wineboot.exe -i >/dev/null 2>&1
# cscript registers its own type library when it first runs: before the
# snapshot, so that it is not taken for the package's.
mkdir "$work/warm"
printf 'WScript.Echo "1 passed, 0 failed"\r\n' >"$work/warm/warm.vbs"
run_vbs "$work/warm/warm.vbs"
snapshot clean

# What Drafthand's own registration writes, for the package's rows to match.
register_drafthand "$bin"
drafthand_keys "$(windows_path "$bin")" >"$work/selfreg.keys"
unregister_drafthand "$bin"

# 1. A fresh install: files, shortcut, registry, optional cadsim left out.
msiexec /i "$(windows_path "$msi")" /qn || fail "msiexec /i"
for file in tarn2.exe auto_tarn5.dll Drafthand.dll docs/guide.ja.html docs/guide.en.html \
    docs/images/tarn2.png docs/images/road.png docs/images/clothoid.png docs/images/side.png; do
    case "$file" in
    docs/*) staged="$packaging/stage/$file" ;;
    *) staged="$packaging/stage/bin/$file" ;;
    esac
    cmp -s "$installed/$file" "$staged" || fail "installed $file is missing or not the packaged one"
done
[[ ! -e "$installed/cadsim.exe" ]] || fail "cadsim.exe installed although its feature is off"
shortcut_made || fail "no Start-menu entries \"$tarn2_link\" and \"$guide_link\""
grep -q 'src="images/side.png"' "$installed/docs/guide.ja.html" ||
    fail "the installed guide is not the HTML with its pictures"
drafthand_keys "C:\\$program_files\\tarn" >"$work/package.keys"
diff "$work/selfreg.keys" "$work/package.keys" >"$work/diff.keys" ||
    { fail "the package's Drafthand keys differ from self-registration"; cat "$work/diff.keys"; }
run_vbs "$tests/installed.vbs" "$acad_version"
expect_versions "fresh install" "$version"

# 2. The same package again: still one copy.
msiexec /i "$(windows_path "$msi")" /qn || fail "msiexec /i a second time"
expect_versions "same version again" "$version"
msiexec /x "$(windows_path "$msi")" /qn || fail "msiexec /x"
same_as_clean "uninstall after a fresh install"

# 3. An older version, then this one over it: one copy, the newer.
old_msi="$work/tarn-$older-$arch.msi"
(cd "$packaging" && wixl -a $arch -D Version=$older -D ProductCode=5E0C41D8-7B0B-4C3E-9D55-0A8D2F3B9E01 \
    -D Arch=$arch -D BinDir=stage/bin -D DocDir=stage/docs -I stage -o "$old_msi" "$wxs") ||
    fail "building the older package"
msiexec /i "$(windows_path "$old_msi")" /qn || fail "msiexec /i the older version"
expect_versions "older version" "$older"
msiexec /i "$(windows_path "$msi")" /qn || fail "msiexec /i over the older version"
expect_versions "newer over older" "$version"
[[ -f "$installed/Drafthand.dll" ]] && shortcut_made || fail "upgrade left files missing"
run_vbs "$tests/installed.vbs" "$acad_version"

# 4. tarn2 started through its Start-menu shortcut draws the whole road into
# cadsim, in the working folder the shortcut gives: %USERPROFILE%, expanded.
profile=$("$TARN_WINE" cmd.exe /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')
profile_dir=$("$TARN_WINE" winepath.exe -u "$profile" 2>/dev/null | tr -d '\r')
[[ -n "$profile" && "$profile" != *%* && -d "$profile_dir" ]] ||
    fail "no user profile folder [$profile] [$profile_dir]"
rm -f "$profile_dir/auto_temp.txt" "$profile_dir/auto_temp2.txt"
# A copy, at a path without blanks: start.exe would take a quoted path for
# the window's title.
cp "$(shortcut "$tarn2_link")" "$work/tarn2-shortcut.lnk" || fail "no shortcut to start tarn2 with"
TARN_ROAD_APP_LINK="$(windows_path "$work/tarn2-shortcut.lnk")" TARN_ROAD_REGISTER=0 \
    bash "$TARN_SCRIPTS_DIR/road-session.sh" "$bin" "$work/road" 0 ||
    fail "the road with tarn2 started through its shortcut"
[[ -s "$profile_dir/auto_temp.txt" ]] || {
    fail "auto_temp.txt is not in the profile folder $profile_dir (the shortcut's working folder)"
    echo "the shortcut's texts:" $(strings -el "$work/tarn2-shortcut.lnk"; strings "$work/tarn2-shortcut.lnk")
}
[[ ! -e "$work/road/auto_temp.txt" ]] || fail "auto_temp.txt was written where the road ran, not in the profile"
# The user's files, which the uninstall rightly leaves.
rm -f "$profile_dir/auto_temp.txt" "$profile_dir/auto_temp2.txt"

msiexec /x "$(windows_path "$msi")" /qn || fail "msiexec /x after the upgrade"
same_as_clean "uninstall after the upgrade"

finish "the $arch package installs, works through its shortcut, upgrades and uninstalls cleanly"
