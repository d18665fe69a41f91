#!/usr/bin/env bash
# tarn.exe under Wine with the golden centre line: the drawing script
# byte for byte (CR LF line ends), a DXF read back, a file replaced in place,
# and the exit codes of a refusal and a usage error.
set -uo pipefail
tarn="$1"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"
cd "$work"

curve=(--ka 10,20 --ke 59.92193149366025,22.0810093401773635 --side 35,15 --a 100)

summary=$("$TARN_WINE" "$tarn" centre "${curve[@]}" --pitch 1 | tr -d '\r')
[[ "$summary" == *"centre line: 51 vertices (polyline)"* ]] || fail "summary: $summary"

for round in 1 2; do # the second round replaces the files of the first
    "$TARN_WINE" "$tarn" centre "${curve[@]}" --pitch 20 --script s.txt --dxf d.dxf --csv t.csv ||
        fail "round $round: exit status $?"
done
expected=$(printf 'pline\r\n1.000000000000000e+01,2.000000000000000e+01\r\n2.999920001481468e+01,2.013332952385801e+01\r\n4.997440758406501e+01,2.106617914690492e+01\r\n5.992193149366025e+01,2.208100934017736e+01')
[[ "$(cat s.txt)" == "$expected" ]] || fail "script differs: $(od -c s.txt | head -5)"
ls ./*.tarn-tmp >/dev/null 2>&1 && fail "temporary files left"
/usr/bin/python3 - <<'PY' || fail "DXF"
import ezdxf
(polyline,) = ezdxf.readfile("d.dxf").modelspace()
points = [v.dxf.location for v in polyline.vertices]
assert len(points) == 4, points
assert abs(points[1][0] - 29.99920001481468) < 1e-9 and abs(points[3][1] - 22.08100934017736) < 1e-9
PY
head -c 3 t.csv | od -An -tx1 | grep -q "ef bb bf" || fail "CSV without byte-order mark"

"$TARN_WINE" "$tarn" centre "${curve[@]}" --pitch 0 --script refused.txt 2>/dev/null
status=$?
[[ $status -eq 1 && ! -e refused.txt ]] || fail "refusal: status $status"
"$TARN_WINE" "$tarn" centre --ka 1 2>/dev/null
status=$?
[[ $status -eq 2 ]] || fail "usage error: status $status"

finish "tarn under Wine: all passed"
