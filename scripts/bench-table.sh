#!/usr/bin/env bash
# The setting-out table of one clothoid (`tarn centre ... --csv`) on an
# optimised native build, against writing the same bytes alone: best wall
# time of several runs of each, and their ratio. TARN=path times another
# build of the program instead (an older one, to compare). FRESH=1 deletes
# each side's file before each run, untimed: replacing a file whose blocks are
# on disk costs the kernel's freeing (and, on a disk mounted with discard, a
# synchronous discard), which tarn's replacing pays in every run and the
# plain write only in some.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pitch="${1:-0.00035}"
runs="${2:-7}"
tarn="${TARN:-}"
if [ -z "$tarn" ]; then
    cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DTARN_SANITIZE=OFF >/dev/null
    cmake --build "$root/build/bench" -j 2 --target tarn >/dev/null
    tarn="$root/build/bench/bin/tarn"
fi
mkdir -p "$root/build/bench/run"
cd "$root/build/bench/run"
python3 - "$tarn" "$pitch" "$runs" "${FRESH:-0}" <<'PY'
import os, subprocess, sys, time

tarn, pitch, runs, fresh = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1"
command = [tarn, "centre", "--ka", "10,20", "--ke", "59.9219,22.0810", "--side", "35,15",
           "--a", "100", "--pitch", pitch, "--csv", "table.csv"]

def best(action, path):
    times = []
    for _ in range(runs):
        if fresh and path and os.path.exists(path):
            os.remove(path)
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return min(times)

whole = best(lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL), "table.csv")
data = open("table.csv", "rb").read()

def plain_write():
    fd = os.open("floor.csv", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]
    os.close(fd)

floor = best(plain_write, "floor.csv")
# What the table adds to: starting the program, and the curve with it (the
# command without --csv prints a summary of the computed curve).
quiet = {"check": True, "stdout": subprocess.DEVNULL}
start = best(lambda: subprocess.run([tarn, "--version"], **quiet), None)
curve = best(lambda: subprocess.run(command[:-2], **quiet), None)
rows = data.count(b"\r\n")
print(f"tarn centre --pitch {pitch} --csv: {rows} rows, {len(data)} bytes"
      + (", each file new" if fresh else ""))
print(f"  whole command   {whole * 1000:8.1f} ms")
print(f"  bytes written   {floor * 1000:8.1f} ms")
print(f"  ratio           {whole / floor:8.2f}x")
print(f"  program start   {start * 1000:8.1f} ms  (--version)")
print(f"  start and curve {curve * 1000:8.1f} ms  (without --csv)")
PY
