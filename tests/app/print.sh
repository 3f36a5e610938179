#!/bin/bash
# kavrel print into PDF files: page count, size and order checked with poppler's tools, the
# options and the template's own print options, and exit codes for bad input, failed runs
# and unwritable targets.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
# "Page    N size: 595 x 842 pts (A4)" -> "A4" for page N
pagesize() { pdfinfo -f "$2" -l "$2" "$1" | sed -n "s/^Page *$2 size: .*(\([A-Za-z0-9]*\)).*/\1/p"; }
# The page footers ("Page N") of a PDF, in the order of its pages.
footers() { pdftotext "$1" - | grep -o '^Page [0-9]*' | tr '\n' ' '; }

expect 0 "$kavrel" print "$data/rows.kv3" -o "$work/rows.pdf"
[ "$(pages "$work/rows.pdf")" = 2 ] || fail "not 2 pages: $(pdfinfo "$work/rows.pdf")"
[ "$(pagesize "$work/rows.pdf" 1)" = "A4" ] || fail "page 1 not A4"
[ "$(pagesize "$work/rows.pdf" 2)" = "A4" ] || fail "page 2 not A4"
[ "$(footers "$work/rows.pdf")" = "Page 1 Page 2 " ] || fail "order: $(footers "$work/rows.pdf")"

expect 0 "$kavrel" print "$data/rows.kv3" -o "$work/one.pdf" --pages 2 --copies 3
[ "$(pages "$work/one.pdf")" = 3 ] || fail "3 copies of one page: $(pages "$work/one.pdf")"

expect 0 "$kavrel" print "$data/rows.kv3" -o "$work/scaled.pdf" --mode scale --sheet 8
[ "$(pagesize "$work/scaled.pdf" 1)" = "A3" ] || fail "scaled sheet not A3"

expect 0 "$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3"
expect 0 "$kavrel" print "$work/rows.kw3" -o "$work/kw3.pdf" --reverse
[ "$(footers "$work/kw3.pdf")" = "Page 2 Page 1 " ] || fail "--reverse: $(footers "$work/kw3.pdf")"

# The template's print options stand unless an option is given.
sed 's/<TkavReport /<TkavReport PrintOptions.Reverse="True" PrintOptions.Copies="2" PrintOptions.PageNumbers="1" /' \
    "$data/rows.kv3" > "$work/own.kv3"
expect 0 "$kavrel" print "$work/own.kv3" -o "$work/own.pdf"
[ "$(footers "$work/own.pdf")" = "Page 1 Page 1 " ] || fail "template options: $(footers "$work/own.pdf")"
expect 0 "$kavrel" print "$work/own.kv3" -o "$work/own2.pdf" --pages 1-2 --copies 1
[ "$(footers "$work/own2.pdf")" = "Page 2 Page 1 " ] || fail "options over the template's: $(footers "$work/own2.pdf")"

expect 1 "$kavrel" print "$data/rows.kv3" -o "$work/nofolder/x/y.pdf" 2> "$work/err"
[ -s "$work/err" ] || fail "no message for an unwritable output"
[ ! -e "$work/nofolder" ] || fail "folder created"
expect 1 fullDisk 1 "$kavrel" print "$data/rows.kv3" -o "$work/full.pdf" 2> "$work/err"
grep -q 'full.pdf' "$work/err" || fail "full disk: $(cat "$work/err")"
expect 1 "$kavrel" print "$data/rows.kv3" -o "$work/bad.pdf" --pages 3-1 2> /dev/null
[ ! -e "$work/bad.pdf" ] || fail "file written for a bad range"
expect 2 "$kavrel" print "$data/rows.kv3" --mode sideways -o "$work/m.pdf" 2> /dev/null
expect 2 "$kavrel" print 2> /dev/null

# A failed run and a template read with errors fail the print (exit 1, the file named).
sed 's/Text="End of report&#13;&#10;\[Line#\] rows"/Text="[1\/0]"/' "$data/rows.kv3" > "$work/div.kv3"
expect 1 "$kavrel" print "$work/div.kv3" -o "$work/div.pdf" 2> "$work/err"
grep -q "^kavrel: $work/div.kv3: .*division by zero" "$work/err" || fail "run error: $(cat "$work/err")"
sed 's/<TkavMemoView Name="Total"/<TkavMemoVeiw Name="Total"/' "$data/rows.kv3" > "$work/typo.kv3"
expect 1 "$kavrel" print "$work/typo.kv3" -o "$work/typo.pdf" 2> "$work/err"
grep -qx "kavrel: $work/typo.kv3: Class not found TkavMemoVeiw" "$work/err" || fail "load error: $(cat "$work/err")"

if ! lpstat -a > /dev/null 2>&1 || [ -z "$(lpstat -a 2> /dev/null)" ]; then
    # Without printers and without -o: the "no printers" message and exit 1.
    expect 1 "$kavrel" print "$data/rows.kv3" 2> "$work/err"
    grep -q 'Nenhuma impressora instalada no sistema\|No printers' "$work/err" || fail "no-printers message: $(cat "$work/err")"
fi
echo "print: ok"
