#!/usr/bin/env bash
# The long soak of Drafthand.dll under Wine: 5,000 create/Search/PostCommand/
# release cycles, 100,000 posts and 1,000 script runs, in five phases each,
# with the figures of every meter after each phase, and 20 draws by tarn2.exe
# measured after each. Builds what it needs.
#
#   scripts/soak.sh [x64|x86]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="${1:-x64}"
case "$arch" in
x64) build="$root/build/win64" toolchain="$root/cmake/toolchain-mingw-x64.cmake" ;;
x86) build="$root/build/win32" toolchain="$root/cmake/toolchain-mingw-x86.cmake" ;;
*) echo "usage: scripts/soak.sh [x64|x86]" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug --toolchain "$toolchain" >/dev/null
cmake --build "$build" -j 2 --target drafthand_soak_tests >/dev/null
export DRAFTHAND_SOAK=long
"$root/scripts/wine-run.sh" --prefix "$build/wineprefix" --arch "$arch" \
    "$root/cadcontrol/win/tests/registered_wine_test.sh" "$build/bin" drafthand_soak_tests.exe \
    '--gtest_filter=Soak.*'
