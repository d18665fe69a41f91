#!/usr/bin/env bash
# Benchmarks on an optimised native build without sanitizers.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DTARN_SANITIZE=OFF >/dev/null
cmake --build "$root/build/bench" -j 2 --target curvelib_bench >/dev/null
mkdir -p "$root/build/bench/run"
cd "$root/build/bench/run"
"$root/build/bench/bin/curvelib_bench" "$@"
