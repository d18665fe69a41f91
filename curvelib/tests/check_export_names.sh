#!/usr/bin/env bash
# The DLL's export table holds exactly the expected names (the names callers
# bind with GetProcAddress); runs without Wine, so it also covers x86.
#   check_export_names.sh OBJDUMP DLL NAME...
set -euo pipefail
# objdump translates its headers under other locales, and the sed below reads them.
export LC_ALL=C
objdump="$1"
dll="$2"
shift 2
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [[ "$actual" != "$expected" ]]; then
    echo "export names differ"
    echo "expected:"; echo "$expected"
    echo "actual:"; echo "$actual"
    exit 1
fi
echo "exports: $(echo $actual)"
