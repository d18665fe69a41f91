#!/usr/bin/env bash
# Until the whole road arrives: builds the native curve library and prints the
# drawing scripts of one clothoid.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$root/build/native" -j 2 --target curve_demo >/dev/null
out="$root/build/demo"
mkdir -p "$out"
cd "$out"
"$root/build/native/bin/curve_demo"
echo "--- files left in $out"
