#!/bin/bash
# kavrel prepare on a real template: the pages come out as the dump says, the prepared file
# is written, and bad input gives an error and no output.
set -u
kavrel=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3" --dump > "$work/dump" || fail "prepare exit $?"
[ "$(grep -c '^page ' "$work/dump")" = 2 ] || fail "not 2 pages"
grep -q '^    TkavMemoView RowText l=0.00 t=0.00 w=200.00 h=18.00 "Row 60"$' "$work/dump" || fail "row 60 missing"
grep -q '"End of report\\n60 rows"' "$work/dump" || fail "summary missing"
[ "$(grep -c '"Page [12]"' "$work/dump")" = 2 ] || fail "page footers"
head -c 38 "$work/rows.kw3" | grep -q '<?xml version="1.0" encoding="utf-8"' || fail "no kw3 written"

"$kavrel" prepare "$work/missing.kv3" -o "$work/out.kw3" 2> /dev/null && fail "missing input accepted"
[ ! -e "$work/out.kw3" ] || fail "output written for missing input"
"$kavrel" prepare "$data/rows.kv3" 2> /dev/null
[ $? = 2 ] || fail "no usage error without -o"
# A template with a script: event procedures, IIF, formats and a script variable in the summary.
"$kavrel" prepare "$data/scripted.kv3" -o "$work/s.kw3" --dump > "$work/sdump" || fail "scripted exit $?"
[ "$(grep -c '"even"' "$work/sdump")" = 30 ] || fail "scripted: even rows"
grep -q '"3.3%"' "$work/sdump" || fail "scripted: format"
grep -q '"End of report\\n60 rows, 30 even"' "$work/sdump" || fail "scripted: summary"

# A script sees a report given with --report, its objects by name.
printf "begin\n  ShowMessage(Trim(RowText.Text));\n  ShowMessage(Report.FindObject('Total').Name);\nend.\n" > "$work/look.pas"
"$kavrel" script "$work/look.pas" --report "$data/rows.kv3" > "$work/out" || fail "script --report exit $?"
[ "$(head -1 "$work/out")" = "Row [Line#]" ] || fail "script --report: $(cat "$work/out")"
[ "$(sed -n 2p "$work/out")" = "Total" ] || fail "script --report: object by name"
echo "prepare: ok"
