#!/usr/bin/env bash
# The tables of one package, read with msiinfo: where it installs, in which
# registry view, what it registers for Drafthand (against the IDL), the
# optional cadsim, the shortcut, the upgrade code, and no self-registration.
#
#   msi_tables_test.sh MSI x64|x86 VERSION
set -uo pipefail
msi="$1"
arch="$2"
version="$3"
idl="$(dirname "$0")/../../cadcontrol/win/Drafthand.idl"
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

if [[ "$arch" == x64 ]]; then
    upgrade_code="{449190A3-F59E-45FD-B03D-845FF166885A}"
    program_files=ProgramFiles64Folder
    component_bits=256 # msidbComponentAttributes64bit
    platform="x64"
    typelib_platform=win64
    guide_shortcut="tarn ユーザーガイド"
else
    upgrade_code="{389CB1CF-6ADA-4B5C-A0CF-C2992416E8CB}"
    program_files=ProgramFilesFolder
    component_bits=0
    platform="Intel"
    typelib_platform=win32
    guide_shortcut="tarn ユーザーガイド (x86)"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export_table() { msiinfo export "$msi" "$1" 2>/dev/null | tail -n +4 | tr -d '\r' >"$work/$1"; }
for table in Property Directory Component File Feature FeatureComponents Registry Shortcut Upgrade \
    CustomAction; do
    export_table "$table"
done
# expect TABLE "tab-separated row": an exact row of the table.
expect() {
    grep -qxF "$2" "$work/$1" || fail "$1 has no row [$2]"
}
guid() { # the uuid in the attributes right before "KIND NAME" in the IDL
    tr '\n' ' ' <"$idl" | grep -oE "uuid\([0-9A-Fa-f-]+\)[^]]*\][[:space:]]*$1" |
        sed -E 's/uuid\(([0-9A-Fa-f-]+)\).*/{\1}/' | tr a-f A-F
}
library=$(guid 'library Drafthand')
acad=$(guid 'coclass Acad')
[[ -n "$library" && -n "$acad" ]] || fail "the IDL's GUIDs could not be read"

expect Property $'ProductName\t'"tarn ($arch)"
expect Property $'ProductVersion\t'"$version"
expect Property $'UpgradeCode\t'"$upgrade_code"
expect Property $'ALLUSERS\t1'
msiinfo suminfo "$msi" | grep -q "^Template: $platform;" || fail "summary template is not $platform"
expect Directory $'INSTALLDIR\t'"$program_files"$'\ttarn'

for component in tarn2 auto_tarn5 Drafthand cadsim guide guideImages; do
    awk -F'\t' -v c="$component" -v bits="$component_bits" \
        '$1 == c && $4 == bits { found = 1 } END { exit !found }' "$work/Component" ||
        fail "component $component missing or not in the $arch registry view"
done
for file in tarn2.exe auto_tarn5.dll Drafthand.dll cadsim.exe guide.ja.html guide.en.html tarn2.png \
    road.png clothoid.png side.png; do
    awk -F'\t' -v f="$file" '$3 == f { found = 1 } END { exit !found }' "$work/File" ||
        fail "file $file not in the package"
done
# cadsim is its own feature, off by default (INSTALLLEVEL 1).
awk -F'\t' '$1 == "Main" && $6 == 1 { m = 1 } $1 == "Cadsim" && $6 > 1 { c = 1 } END { exit !(m && c) }' \
    "$work/Feature" || fail "Main is not on or Cadsim is not off by default"
expect FeatureComponents $'Cadsim\tcadsim'
grep -q $'^Main\tcadsim$' "$work/FeatureComponents" && fail "cadsim is part of the main feature"

# Drafthand's rows, by its own identifiers, all under HKCR (root 0).
registry_row() { # key, name, value (through the environment: awk -v reads escapes)
    K="$1" N="$2" V="$3" awk -F'\t' '$2 == 0 && $3 == ENVIRON["K"] && $4 == ENVIRON["N"] &&
        $5 == ENVIRON["V"] && $6 == "Drafthand" { found = 1 } END { exit !found }' \
        "$work/Registry" || fail "no registry row [$1] [$2] = [$3]"
}
registry_row "CLSID\\$acad\\InprocServer32\\" "" "[#Drafthand.dll]"
registry_row "CLSID\\$acad\\InprocServer32\\" "ThreadingModel" "Apartment"
registry_row "Drafthand.Acad\\CLSID\\" "" "$acad"
registry_row "TypeLib\\$library\\1.0\\409\\$typelib_platform\\" "" "[#Drafthand.dll]"
registry_row "TypeLib\\$library\\1.0\\0\\$typelib_platform\\" "" "[#Drafthand.dll]"
for interface in _Acad _Control; do
    registry_row "Interface\\$(guid "interface $interface")\\TypeLib\\" "" "$library"
done
awk -F'\t' '$2 != 0 { bad = 1 } END { exit bad }' "$work/Registry" || fail "a registry row outside HKCR"

awk -F'\t' '$1 == "tarn2Shortcut" && $2 == "ProgramMenuFolder" && $5 == "[#tarn2.exe]" { f = 1 } END { exit !f }' \
    "$work/Shortcut" || fail "no Start-menu shortcut to tarn2.exe"
# The guide's entry, under its Japanese name (the database is in code page 932).
G="tarnguid|$guide_shortcut" awk -F'\t' '$1 == "guideShortcut" && $2 == "ProgramMenuFolder" &&
    $3 == ENVIRON["G"] && $5 == "[#guide.ja.html]" { f = 1 } END { exit !f }' "$work/Shortcut" ||
    fail "no Start-menu entry \"$guide_shortcut\" for the guide"
grep -q "^$upgrade_code" "$work/Upgrade" || fail "no upgrade of older versions"
[[ ! -s "$work/CustomAction" ]] || fail "the package runs custom actions"
msiinfo tables "$msi" | grep -qx SelfReg && fail "the package self-registers"

[[ $failures -eq 0 ]] || exit 1
echo "the $arch package's tables are as they should be"
