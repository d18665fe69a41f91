#!/usr/bin/env bash
# Builds the libFuzzer targets of the portable parsers in build/fuzz (clang,
# AddressSanitizer + UndefinedBehaviorSanitizer), replays every kept
# regression input, then fuzzes each target from its seed corpus.
#   scripts/fuzz.sh [SECONDS] [TARGET...]    each target for SECONDS (default 5)
#   scripts/fuzz.sh --runs N [TARGET...]     each target for N executions
# Prints per target the executions, executions per second, coverage and
# findings; a finding is kept in build/fuzz/findings/TARGET/ and makes the
# script fail.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

targets=(script_fuzz cadsim_fuzz operations_fuzz text_fuzz ip_table_fuzz landxml_fuzz)
limit=(-max_total_time=5)
if [[ "${1:-}" == "--runs" ]]; then
    limit=(-runs="${2:?--runs needs a count}")
    shift 2
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    limit=(-max_total_time="$1")
    shift
fi
if [[ $# -gt 0 ]]; then
    for target in "$@"; do
        [[ " ${targets[*]} " == *" $target "* ]] || { echo "no fuzz target $target" >&2; exit 2; }
    done
    targets=("$@")
fi
build="$root/build/fuzz"

echo "=== build fuzz"
cmake -S . -B "$build" -DTARN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

# A smaller quarantine still catches use after free of recent blocks and
# spares the page faults of a fresh 256 MB every few thousand inputs.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=10}"

failed=0
printf '%-16s %12s %10s %8s %8s %9s\n' target executions exec/s cov ft findings
for target in "${targets[@]}"; do
    binary="$build/bin/$target"
    log="$build/logs/$target.log"
    findings="$build/findings/$target"
    corpus="$build/corpus/$target"
    mkdir -p "$(dirname "$log")" "$findings" "$corpus"

    # Inputs that once found a fault must stay harmless.
    regressions=("$root/fuzz/regressions/$target"/*)
    if [[ -e "${regressions[0]}" ]]; then
        if ! "$binary" "${regressions[@]}" >"$log.regressions" 2>&1; then
            echo "$target: a kept regression input fails again (see $log.regressions)" >&2
            failed=1
        fi
    fi

    # New units go to the build's corpus; the repository keeps the seeds.
    dict=()
    [[ -f "$root/fuzz/dict/$target.dict" ]] && dict=(-dict="$root/fuzz/dict/$target.dict")
    status=0
    "$binary" "${limit[@]}" "${dict[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    found=$(find "$findings" -type f | wc -l)
    printf '%-16s %12s %10s %8s %8s %9s\n' "$target" "${runs:--}" "${speed:--}" "${cov:--}" \
        "${ft:--}" "$found"
    if [[ $status -ne 0 || $found -ne 0 ]]; then
        echo "$target: finding(s) in $findings (log $log)" >&2
        failed=1
    fi
done
exit "$failed"
