#!/usr/bin/env bash
# The alignment benchmark on an optimised native build without sanitizers:
# a generated 100 km alignment of 1,000 IPs with a stake every metre.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DTARN_SANITIZE=OFF >/dev/null
cmake --build "$root/build/bench" -j 2 --target alignment_bench >/dev/null
mkdir -p "$root/build/bench/run"
cd "$root/build/bench/run"
"$root/build/bench/bin/alignment_bench" "$@"
