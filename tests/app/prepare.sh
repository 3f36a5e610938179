#!/bin/bash
# kavrel prepare on a real template: the pages come out as the dump says, the prepared file
# is written, load errors and refused passwords fail with the file named, and bad input
# gives an error and no output.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect 0 "$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3" --dump > "$work/dump"
[ "$(grep -c '^page ' "$work/dump")" = 2 ] || fail "not 2 pages"
grep -q '^    TkavMemoView RowText l=0.00 t=0.00 w=200.00 h=18.00 "Row 60"$' "$work/dump" || fail "row 60 missing"
grep -q '"End of report\\n60 rows"' "$work/dump" || fail "summary missing"
[ "$(grep -c '"Page [12]"' "$work/dump")" = 2 ] || fail "page footers"
head -c 38 "$work/rows.kw3" | grep -q '<?xml version="1.0" encoding="utf-8"' || fail "no kw3 written"

expect 1 "$kavrel" prepare "$work/missing.kv3" -o "$work/out.kw3" 2> /dev/null
[ ! -e "$work/out.kw3" ] || fail "output written for missing input"
expect 2 "$kavrel" prepare "$data/rows.kv3" 2> /dev/null
expect 2 "$kavrel" prepare "$data/rows.kv3" -o "$work/x.kw3" --password 2> /dev/null
# A full disk: exit 1 and the previous file is kept whole.
cp "$work/rows.kw3" "$work/keep.kw3"
expect 1 fullDisk 1 "$kavrel" prepare "$data/rows.kv3" -o "$work/keep.kw3" 2> "$work/err"
grep -q "keep.kw3" "$work/err" || fail "full disk: $(cat "$work/err")"
cmp -s "$work/rows.kw3" "$work/keep.kw3" || fail "full disk: the previous file was damaged"

# A template with a script: event procedures, IIF, formats and a script variable in the summary.
expect 0 "$kavrel" prepare "$data/scripted.kv3" -o "$work/s.kw3" --dump > "$work/sdump"
[ "$(grep -c '"even"' "$work/sdump")" = 30 ] || fail "scripted: even rows"
grep -q '"3.3%"' "$work/sdump" || fail "scripted: format"
grep -q '"End of report\\n60 rows, 30 even"' "$work/sdump" || fail "scripted: summary"

# What the load could not read is an error of the file (exit 1); the pages are still made.
sed 's/<TkavMemoView Name="Total"/<TkavMemoVeiw Name="Total"/' "$data/rows.kv3" > "$work/typo.kv3"
expect 1 "$kavrel" prepare "$work/typo.kv3" -o "$work/typo.kw3" --dump > "$work/tdump" 2> "$work/err"
grep -qx "kavrel: $work/typo.kv3: Class not found TkavMemoVeiw" "$work/err" || fail "load error: $(cat "$work/err")"
grep -q '"Row 60"' "$work/tdump" && [ -s "$work/typo.kw3" ] || fail "load error: no pages written"

# Password-protected reports ("secret", stored shifted): refused without the password or
# with a wrong one, run with the right one; an unprotected report runs with any.
sed 's/<TkavReport /<TkavReport ReportOptions.Password="i[Yh[j" /' "$data/rows.kv3" > "$work/locked.kv3"
expect 1 "$kavrel" prepare "$work/locked.kv3" -o "$work/l.kw3" 2> "$work/err"
grep -qx "kavrel: $work/locked.kv3: the report is protected by a password: give it with --password" "$work/err" \
    || fail "no password: $(cat "$work/err")"
[ ! -e "$work/l.kw3" ] || fail "no password: pages written"
expect 1 "$kavrel" prepare "$work/locked.kv3" -o "$work/l.kw3" --password guess 2> "$work/err"
grep -qx "kavrel: $work/locked.kv3: Invalid password" "$work/err" || fail "wrong password: $(cat "$work/err")"
expect 0 "$kavrel" prepare "$work/locked.kv3" -o "$work/l.kw3" --password secret --dump > "$work/ldump"
cmp -s "$work/dump" "$work/ldump" || fail "right password: other pages"
expect 0 "$kavrel" prepare "$data/rows.kv3" -o "$work/x.kw3" --password secret

# A script sees a report given with --report, its objects by name.
printf "begin\n  ShowMessage(Trim(RowText.Text));\n  ShowMessage(Report.FindObject('Total').Name);\nend.\n" > "$work/look.pas"
expect 0 "$kavrel" script "$work/look.pas" --report "$data/rows.kv3" > "$work/out"
[ "$(head -1 "$work/out")" = "Row [Line#]" ] || fail "script --report: $(cat "$work/out")"
[ "$(sed -n 2p "$work/out")" = "Total" ] || fail "script --report: object by name"
echo "prepare: ok"
