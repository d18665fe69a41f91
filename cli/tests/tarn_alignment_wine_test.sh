#!/usr/bin/env bash
# tarn.exe alignment under Wine: a Shift_JIS IP table read, the tables
# written with their byte-order mark and CR LF, a query, the exit codes of a
# refused table and a usage error, a LandXML round trip, a file dropped on
# tarn.exe from a console (which prints, as at a command prompt).
set -uo pipefail
tarn="$1"
examples="$2"
source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"
cd "$work"
cp "$examples/s-curve-sjis.csv" "$examples/every-curve.csv" .

summary=$("$TARN_WINE" "$tarn" alignment s-curve-sjis.csv | tr -d '\r')
[[ "$summary" == *"alignment s-curve-sjis: 2 IPs, 8 elements, 1083.3117 m"* ]] || fail "summary: $summary"

"$TARN_WINE" "$tarn" alignment every-curve.csv --width 3,3 --csv t || fail "tables: status $?"
for table in ip elements points stakes; do
    head -c 3 "t-$table.csv" | od -An -tx1 | grep -q "ef bb bf" || fail "$table: no byte-order mark"
    [[ $(grep -c $'\r$' "t-$table.csv") -eq $(wc -l <"t-$table.csv") ]] || fail "$table: not CR LF"
done
grep -q "^KEE2," t-points.csv || fail "points: $(head -5 t-points.csv)"

"$TARN_WINE" "$tarn" alignment every-curve.csv --landxml t.xml --report t.html --dxf t.dxf >/dev/null ||
    fail "outputs: status $?"
"$TARN_WINE" "$tarn" alignment t.xml --csv u >/dev/null || fail "LandXML input: status $?"
cmp <(cut -d, -f1-5 t-points.csv) <(cut -d, -f1-5 u-points.csv) || fail "LandXML round trip"
grep -q "<svg" t.html && grep -q "KEE2" t.dxf || fail "report or drawing incomplete"

cp every-curve.csv road.csv
drop=$(timeout 60 "$TARN_WINE" "$tarn" road.csv | tr -d '\r')
[[ "$drop" == "alignment road: 5 IPs"* ]] || fail "drop: $drop"
for f in road.xml road.html road.dxf road-ip.csv road-elements.csv road-points.csv road-stakes.csv; do
    [[ -s "$f" ]] || fail "drop: no $f"
done

at=$("$TARN_WINE" "$tarn" alignment every-curve.csv --at No.40+3.5 | tr -d '\r')
[[ "$at" == "No.40+3.500  distance 803.500000 m"* ]] || fail "--at: $at"

printf 'X,Y,foo\n0,0,1\n5,5,1\n' >bad.csv
"$TARN_WINE" "$tarn" alignment bad.csv 2>/dev/null
status=$?
[[ $status -eq 1 ]] || fail "refusal: status $status"
"$TARN_WINE" "$tarn" alignment every-curve.csv --interval 0 2>/dev/null
status=$?
[[ $status -eq 2 ]] || fail "usage error: status $status"

finish "tarn alignment under Wine: all passed"
