#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine (run as
# root). Does nothing, quietly, when everything is already there.
set -euo pipefail

packages=(
    cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format
    libcli11-dev libpugixml-dev
    clang libclang-rt-14-dev
    mingw-w64 mingw-w64-tools libwine-dev wine wine64 wine32:i386
    xvfb xauth x11-utils imagemagick locales python3 python3-ezdxf procps psmisc
    wixl msitools zip python3-markdown librsvg2-bin
    fonts-ipafont-gothic
    chromium poppler-utils
)

# The Windows and fuzz builds compile pugixml from Debian's source package
# (cmake/TarnPugixml.cmake), so apt needs a deb-src entry for the mirror this
# machine already uses, signed by the same key.
src_list=/etc/apt/sources.list.d/tarn-deb-src.sources
src_added=0
if [[ ! -f $src_list ]]; then
    [[ $(id -u) -eq 0 ]] || { echo "setup.sh: adding $src_list needs root" >&2; exit 1; }
    mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
    key=$(sed -n 's/^Signed-By: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
    if [[ -z $mirror ]]; then
        mirror=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list)
    fi
    [[ -n $mirror ]] || { echo "setup.sh: no Debian mirror found in the apt sources" >&2; exit 1; }
    {
        echo "Types: deb-src"
        echo "URIs: $mirror"
        echo "Suites: bookworm"
        echo "Components: main"
        [[ -z $key ]] || echo "Signed-By: $key"
    } >"$src_list"
    src_added=1
fi

# A mirror caught mid-sync serves an index of the wrong size, sometimes for
# hours; try again, then go on with the indexes that did come down. With one
# architecture's security index missing, the amd64 and i386 halves of a
# multiarch library would come from different suites and refuse each other:
# the release's own versions keep them in step.
apt_install_options=()
apt_update() {
    local attempt
    for attempt in 1 2 3; do
        apt-get update -qq && return 0
        echo "setup.sh: apt-get update failed (attempt $attempt), retrying" >&2
        sleep $((attempt * 20))
    done
    echo "setup.sh: apt-get update kept failing; installing from bookworm's own indexes" >&2
    apt_install_options=(-o APT::Default-Release=bookworm)
}

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 && $src_added -eq 1 ]]; then
    apt_update
fi
if [[ ${#missing[@]} -gt 0 ]]; then
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup.sh: these packages are missing and installing needs root: ${missing[*]}" >&2
        exit 1
    fi
    echo "setup.sh: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt_update
    apt-get install -y -qq "${apt_install_options[@]}" "${missing[@]}" >/dev/null
fi

# Where 32-bit programs cannot run, the x86 tests run in an emulated machine
# (scripts/test-x86-vm.sh), which needs these.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    vm_missing=()
    for package in qemu-system-x86 debootstrap e2fsprogs; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
            vm_missing+=("$package")
        fi
    done
    if [[ ${#vm_missing[@]} -gt 0 ]]; then
        [[ $(id -u) -eq 0 ]] || { echo "setup.sh: installing ${vm_missing[*]} needs root" >&2; exit 1; }
        echo "setup.sh: installing ${vm_missing[*]}"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${vm_missing[@]}" >/dev/null
    fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    [[ $(id -u) -eq 0 ]] || { echo "setup.sh: ja_JP.UTF-8 locale missing" >&2; exit 1; }
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi
