#!/bin/bash
# kavrel print into PDF files: page count and size checked with pdfinfo, options, and exit
# codes for bad input and unwritable targets.
set -u
kavrel=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
# "Page    N size: 595 x 842 pts (A4)" -> "A4" for page N
pagesize() { pdfinfo -f "$2" -l "$2" "$1" | sed -n "s/^Page *$2 size: .*(\([A-Za-z0-9]*\)).*/\1/p"; }

"$kavrel" print "$data/rows.kv3" -o "$work/rows.pdf" || fail "print exit $?"
[ "$(pages "$work/rows.pdf")" = 2 ] || fail "not 2 pages: $(pdfinfo "$work/rows.pdf")"
[ "$(pagesize "$work/rows.pdf" 1)" = "A4" ] || fail "page 1 not A4"
[ "$(pagesize "$work/rows.pdf" 2)" = "A4" ] || fail "page 2 not A4"
pdftotext "$work/rows.pdf" - | grep -q 'Row 1' || fail "no text in the PDF"

"$kavrel" print "$data/rows.kv3" -o "$work/one.pdf" --pages 2 --copies 3 || fail "--copies exit $?"
[ "$(pages "$work/one.pdf")" = 3 ] || fail "3 copies of one page: $(pages "$work/one.pdf")"

"$kavrel" print "$data/rows.kv3" -o "$work/scaled.pdf" --mode scale --sheet 8 || fail "scale exit $?"
[ "$(pagesize "$work/scaled.pdf" 1)" = "A3" ] || fail "scaled sheet not A3"

"$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3" || fail "prepare exit $?"
"$kavrel" print "$work/rows.kw3" -o "$work/kw3.pdf" --reverse || fail "kw3 exit $?"
[ "$(pages "$work/kw3.pdf")" = 2 ] || fail "kw3: not 2 pages"

"$kavrel" print "$data/rows.kv3" -o "$work/nofolder/x/y.pdf" 2> "$work/err"
[ $? = 1 ] || fail "unwritable output not exit 1"
[ -s "$work/err" ] || fail "no message for an unwritable output"
[ ! -e "$work/nofolder" ] || fail "folder created"
"$kavrel" print "$data/rows.kv3" -o "$work/bad.pdf" --pages 3-1 2> /dev/null
[ $? = 1 ] || fail "reversed range not exit 1"
[ ! -e "$work/bad.pdf" ] || fail "file written for a bad range"
"$kavrel" print "$data/rows.kv3" --mode sideways -o "$work/m.pdf" 2> /dev/null
[ $? = 2 ] || fail "no usage error for a bad --mode"
"$kavrel" print 2> /dev/null
[ $? = 2 ] || fail "no usage error without input"
if ! lpstat -a > /dev/null 2>&1 || [ -z "$(lpstat -a 2> /dev/null)" ]; then
    # Without printers and without -o: the "no printers" message and exit 1.
    "$kavrel" print "$data/rows.kv3" 2> "$work/err"
    [ $? = 1 ] || fail "no printers not exit 1"
    grep -q 'Nenhuma impressora instalada no sistema\|No printers' "$work/err" || fail "no-printers message: $(cat "$work/err")"
fi
echo "print: ok"
