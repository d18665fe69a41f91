#!/usr/bin/env bash
# Builds the Windows packages into build/dist/: for x64 and x86 an MSI
# (per-machine, Drafthand registered by the package) and a zip of the same
# files for unpacking by hand, and SHA256SUMS over all four. Optimised
# builds in build/package-x64 and build/package-x86.
#
#   scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"

version=$(sed -n 's/^project(tarn VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n "$version" ]] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 1; }
dist="$root/build/dist"
rm -rf "$dist"
mkdir -p "$dist"

for arch in x64 x86; do
    build="$root/build/package-$arch"
    echo "=== building the $arch package in $build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
        --toolchain "$root/cmake/toolchain-mingw-$arch.cmake" >/dev/null
    cmake --build "$build" -j 2 --target tarn_msi >/dev/null
    cp "$build/dist/tarn-$version-$arch.msi" "$dist/"

    # The zip: the same files as the package, in a folder of their own.
    stage="$build/packaging/stage"
    zipdir="$build/zip/tarn-$version-$arch"
    rm -rf "$build/zip"
    mkdir -p "$zipdir"
    cp "$stage"/bin/{tarn2.exe,auto_tarn5.dll,Drafthand.dll,cadsim.exe} "$zipdir/"
    cp -r "$stage/docs" "$zipdir/"
    (cd "$build/zip" && zip -q -r -X "$dist/tarn-$version-$arch.zip" "tarn-$version-$arch")
done

(cd "$dist" && sha256sum tarn-"$version"-*.msi tarn-"$version"-*.zip >SHA256SUMS)
echo "=== packages in $dist"
cat "$dist/SHA256SUMS"
