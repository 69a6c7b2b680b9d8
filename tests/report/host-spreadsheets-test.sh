#!/bin/sh
# torva-host --export, --summary and the script command export, as a user runs them: the files read
# back with openpyxl, the projects summarised left byte for byte as they were, and no Qt loaded.
#
#   tests/report/host-spreadsheets-test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
host="$build/torva-host"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
fail() { echo "FAIL: $*" >&2; exit 1; }

"$host" --init "$work/北线.db"
"$build/torva-sqlexec" "$work/北线.db" "$source/data/demo_project.sql"
# --export: the form opened as a host opens it (refreshed, then saved at its close), the workbook
# written without Qt.
(cd "$work" && LD_DEBUG=files "$host" --export "$work/北线.xlsx" "$work/北线.db" 4 2> "$work/ld.log") ||
  fail "--export failed"
! grep -q 'libQt6' "$work/ld.log" || fail "--export loaded Qt"
/usr/bin/python3 - "$work/北线.xlsx" <<'PY' || fail "北线.xlsx"
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
assert book.sheetnames == ["报表封面", "施工费定案", "设计费定案", "初步审核"], book.sheetnames
cover = [[c.value for c in row] for row in book["报表封面"].iter_rows()]
assert ["工程名称：", "北线"] in cover, cover
for sheet in book.worksheets:
    # Printed, a sheet's columns stay on one A4 page wide.
    assert sheet.sheet_properties.pageSetUpPr.fitToPage, sheet.title
    # One page wide (the file leaves out the width's default of 1), as many pages tall as needed.
    assert sheet.page_setup.fitToWidth in (None, 1) and sheet.page_setup.fitToHeight == 0, sheet.title
    assert sheet.page_setup.paperSize == 9, sheet.title
PY
! "$host" --export "$work/x.xlsx" "$work/gone.db" 4 > /dev/null 2>&1 || fail "--export of no project succeeded"

cp "$work/北线.db" "$work/南线.db"
printf 'no database' > "$work/坏文件.db"
cp "$work/北线.db" "$work/before.db"

# The summary: one row per project, a row saying why, a total; nothing of a project written, and
# no Qt in the process.
LD_DEBUG=files "$host" --summary "$work/summary.csv" "$work/北线.db" "$work/坏文件.db" "$work/南线.db" \
  2> "$work/ld.log" || fail "--summary failed"
! grep -q 'libQt6' "$work/ld.log" || fail "--summary loaded Qt"
cmp -s "$work/北线.db" "$work/before.db" || fail "--summary changed a project file"
[ "$(wc -l < "$work/summary.csv")" -eq 5 ] || fail "summary.csv: $(cat "$work/summary.csv")"
grep -q '^坏文件,,,,,,,,,,,,无法读取：' "$work/summary.csv" || fail "no row saying why"
grep -q '^合计,' "$work/summary.csv" || fail "no total row"

"$host" --summary "$work/summary.xlsx" "$work/北线.db" "$work/坏文件.db" "$work/南线.db" ||
  fail "--summary .xlsx failed"
/usr/bin/python3 - "$work/summary.xlsx" <<'PY' || fail "summary.xlsx"
import sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1]).active
rows = [[c.value for c in row] for row in sheet.iter_rows()]
assert len(rows) == 5, rows
assert [r[0] for r in rows[1:]] == ["北线", "坏文件", "南线", "合计"], rows
assert isinstance(rows[1][1], float), rows[1]
assert rows[4][1] == "=SUM(B2:B4)", rows[4]
PY

# Progress on standard error for a long run; nothing on it for a short one.
set --
i=0
while [ $i -lt 60 ]; do set -- "$@" "$work/北线.db"; i=$((i + 1)); done
"$host" --summary "$work/long.csv" "$@" 2> "$work/progress.log" || fail "long --summary failed"
grep -q '60 / 60' "$work/progress.log" || fail "no progress: $(cat "$work/progress.log")"
"$host" --summary "$work/short.csv" "$work/北线.db" 2> "$work/quiet.log"
[ ! -s "$work/quiet.log" ] || fail "a short run printed $(cat "$work/quiet.log")"
! "$host" --summary "$work/none.csv" 2>/dev/null || fail "--summary without projects succeeded"

# The script command: written as the form stands; a failure shown as a dialog, the form goes on.
printf 'set T_57 2500000\nexport %s\nexport %s\nprint T_57\n' "$work/s.xlsx" "$work/no/such/x.xlsx" |
  "$host" --script - "$work/南线.db" 4 > "$work/script.out"
[ -s "$work/s.xlsx" ] || fail "script export wrote nothing"
grep -q '^\[TORVA\] 无法写入电子表格文件' "$work/script.out" || fail "$(cat "$work/script.out")"
grep -q '^T_57=2500000$' "$work/script.out" || fail "$(cat "$work/script.out")"
echo PASS
