#!/bin/bash
# kavrel export on a real template and on its prepared pages: one image file per page of the
# page's size, the range and resolution options, and exit codes for bad input.
set -u
kavrel=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# "PNG image data, W x H, ..." -> "W x H"
pngsize() { file -b "$1" | sed -n 's/^PNG image data, \([0-9]* x [0-9]*\),.*/\1/p'; }

"$kavrel" export "$data/rows.kv3" -o "$work/x.png" || fail "export exit $?"
[ -e "$work/x_1.png" ] && [ -e "$work/x_2.png" ] || fail "not 2 files: $(ls "$work")"
[ ! -e "$work/x.png" ] || fail "unnumbered file for 2 pages"
# A4 at 96 dpi: 210 mm and 297 mm in whole pixels.
[ "$(pngsize "$work/x_1.png")" = "794 x 1123" ] || fail "page 1 size: $(file -b "$work/x_1.png")"
[ "$(pngsize "$work/x_2.png")" = "794 x 1123" ] || fail "page 2 size"

"$kavrel" export "$data/rows.kv3" -o "$work/one.png" --pages 2 --dpi 192 || fail "--pages exit $?"
[ "$(pngsize "$work/one.png")" = "1588 x 2246" ] || fail "192 dpi size: $(file -b "$work/one.png")"

"$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3" || fail "prepare exit $?"
"$kavrel" export "$work/rows.kw3" -o "$work/k.svg" --pages 1 || fail "kw3 to svg exit $?"
grep -q '<svg' "$work/k.svg" || fail "no svg"
"$kavrel" export "$work/rows.kw3" -o "$work/k.jpg" --pages 1 || fail "kw3 to jpg exit $?"
file -b "$work/k.jpg" | grep -q '^JPEG image data' || fail "no jpeg"

"$kavrel" export "$data/rows.kv3" -o "$work/bad.png" --pages 3-1 2> "$work/err"
[ $? = 1 ] || fail "reversed range not exit 1"
grep -q 'Invalid page range' "$work/err" || fail "range message: $(cat "$work/err")"
"$kavrel" export "$data/rows.kv3" -o "$work/none.png" --pages 7 2> /dev/null
[ $? = 1 ] || fail "empty range not exit 1"
# PDF: pages, size, embedded fonts, the total-pages placeholder filled in, text in order.
"$kavrel" export "$data/rows.kv3" -o "$work/x.pdf" || fail "pdf exit $?"
pdfinfo "$work/x.pdf" | grep -q '^Pages: *2$' || fail "pdf: not 2 pages"
pdfinfo "$work/x.pdf" | grep -q '^Title: *rows$' || fail "pdf: not titled by the file"
pdfinfo "$work/x.pdf" | grep -q '^Page size: *595 x 842 pts (A4)' || fail "pdf: not A4"
[ "$(pdffonts "$work/x.pdf" | tail -n +3 | awk '{print $(NF-4)}' | sort -u)" = yes ] || fail "pdf: a font not embedded"
pdftotext -layout "$work/x.pdf" "$work/x.txt"
grep -q 'Page 2' "$work/x.txt" || fail "pdf text: no page footer"
[ "$(grep -o 'Row [0-9]*' "$work/x.txt" | head -3 | tr '\n' ' ')" = "Row 1 Row 2 Row 3 " ] || fail "pdf text: $(head -5 "$work/x.txt")"
"$kavrel" export "$data/rows.kv3" -o "$work/y.pdf" && cmp -s "$work/x.pdf" "$work/y.pdf" || fail "pdf: two exports differ"
# Text and HTML.
"$kavrel" export "$data/rows.kv3" -o "$work/x.txt" --pages 2 || fail "txt exit $?"
grep -q 'End of report' "$work/x.txt" || fail "txt: summary missing"
"$kavrel" export "$data/rows.kv3" -o "$work/x.html" || fail "html exit $?"
grep -q '<!DOCTYPE html>' "$work/x.html" && grep -q 'Row 60' "$work/x.html" || fail "html content"
"$kavrel" export "$data/rows.kv3" -o "$work/x.xyz" 2> "$work/err"
[ $? = 1 ] || fail "unknown format not exit 1"
grep -q 'cannot export to .xyz' "$work/err" || fail "unknown format message"
"$kavrel" export "$data/scripted.kv3" -o "$work/rows.csv" || fail "csv exit $?"
[ "$(wc -l < "$work/rows.csv")" = 60 ] || fail "csv: not 60 rows"
[ "$(head -1 "$work/rows.csv" | tr -d '\r')" = "Row 1,odd,1.7%" ] || fail "csv: first row $(head -1 "$work/rows.csv")"
"$kavrel" export "$work/missing.kv3" -o "$work/m.png" 2> /dev/null
[ $? = 1 ] || fail "missing input not exit 1"
"$kavrel" export "$data/rows.kv3" -o "$work/nofolder/x/y.png" --pages 1 2> /dev/null
[ $? = 1 ] || fail "unwritable output not exit 1"
"$kavrel" export "$data/rows.kv3" 2> /dev/null
[ $? = 2 ] || fail "no usage error without -o"
"$kavrel" export "$data/rows.kv3" -o "$work/d.png" --dpi abc 2> /dev/null
[ $? = 2 ] || fail "no usage error for a bad --dpi"
echo "export: ok"
