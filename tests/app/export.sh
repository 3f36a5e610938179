#!/bin/bash
# kavrel export on a real template and on its prepared pages: one image file per page of the
# page's size, the range and resolution options, and exit codes for bad input, failed runs
# and damaged prepared files.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/x.png"
[ -e "$work/x_1.png" ] && [ -e "$work/x_2.png" ] || fail "not 2 files: $(ls "$work")"
[ ! -e "$work/x.png" ] || fail "unnumbered file for 2 pages"
# A4 at 96 dpi: 210 mm and 297 mm in whole pixels.
[ "$(pngsize "$work/x_1.png")" = "794 x 1123" ] || fail "page 1 size: $(pngsize "$work/x_1.png")"
[ "$(pngsize "$work/x_2.png")" = "794 x 1123" ] || fail "page 2 size"

expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/one.png" --pages 2 --dpi 192
[ "$(pngsize "$work/one.png")" = "1588 x 2246" ] || fail "192 dpi size: $(pngsize "$work/one.png")"

expect 0 "$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3"
expect 0 "$kavrel" export "$work/rows.kw3" -o "$work/k.svg" --pages 1
grep -q '<svg' "$work/k.svg" || fail "no svg"
expect 0 "$kavrel" export "$work/rows.kw3" -o "$work/k.jpg" --pages 1
isjpeg "$work/k.jpg" || fail "no jpeg"

expect 1 "$kavrel" export "$data/rows.kv3" -o "$work/bad.png" --pages 3-1 2> "$work/err"
grep -q 'Invalid page range' "$work/err" || fail "range message: $(cat "$work/err")"
expect 1 "$kavrel" export "$data/rows.kv3" -o "$work/none.png" --pages 7 2> /dev/null
# PDF: pages, size, embedded fonts, the total-pages placeholder filled in, text in order.
expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/x.pdf"
pdfinfo "$work/x.pdf" | grep -q '^Pages: *2$' || fail "pdf: not 2 pages"
pdfinfo "$work/x.pdf" | grep -q '^Title: *rows$' || fail "pdf: not titled by the file"
pdfinfo "$work/x.pdf" | grep -Eq '^Page size: *595(\.[0-9]+)? x 841(\.[0-9]+)? pts \(A4\)' || fail "pdf: not A4"
[ "$(pdffonts "$work/x.pdf" | tail -n +3 | awk '{print $(NF-4)}' | sort -u)" = yes ] || fail "pdf: a font not embedded"
pdftotext -layout "$work/x.pdf" "$work/x.txt"
grep -q 'Page 2' "$work/x.txt" || fail "pdf text: no page footer"
[ "$(grep -o 'Row [0-9]*' "$work/x.txt" | head -3 | tr '\n' ' ')" = "Row 1 Row 2 Row 3 " ] || fail "pdf text: $(head -5 "$work/x.txt")"
expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/y.pdf"
cmp -s "$work/x.pdf" "$work/y.pdf" || fail "pdf: two exports differ"
# A full disk: exit 1 and the previous file is kept whole.
expect 1 fullDisk 1 "$kavrel" export "$data/rows.kv3" -o "$work/y.pdf" 2> "$work/err"
grep -q 'y.pdf' "$work/err" || fail "full disk: $(cat "$work/err")"
cmp -s "$work/x.pdf" "$work/y.pdf" || fail "full disk: the previous file was damaged"
# Text and HTML.
expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/x.txt" --pages 2
grep -q 'End of report' "$work/x.txt" || fail "txt: summary missing"
expect 0 "$kavrel" export "$data/rows.kv3" -o "$work/x.html"
grep -q '<!DOCTYPE html>' "$work/x.html" && grep -q 'Row 60' "$work/x.html" || fail "html content"
expect 1 "$kavrel" export "$data/rows.kv3" -o "$work/x.xyz" 2> "$work/err"
grep -q 'cannot export to .xyz' "$work/err" || fail "unknown format message"
expect 0 "$kavrel" export "$data/scripted.kv3" -o "$work/rows.csv"
[ "$(wc -l < "$work/rows.csv")" = 60 ] || fail "csv: not 60 rows"
[ "$(head -1 "$work/rows.csv" | tr -d '\r')" = "Row 1,odd,1.7%" ] || fail "csv: first row $(head -1 "$work/rows.csv")"
expect 1 "$kavrel" export "$work/missing.kv3" -o "$work/m.png" 2> /dev/null
expect 1 "$kavrel" export "$data/rows.kv3" -o "$work/nofolder/x/y.png" --pages 1 2> /dev/null
expect 2 "$kavrel" export "$data/rows.kv3" 2> /dev/null
expect 2 "$kavrel" export "$data/rows.kv3" -o "$work/d.png" --dpi abc 2> /dev/null

# A run that fails, or a template read with errors, fails the export (exit 1, the file
# named); the pages it made are still written.
sed 's/Text="End of report&#13;&#10;\[Line#\] rows"/Text="[1\/0]"/' "$data/rows.kv3" > "$work/div.kv3"
expect 1 "$kavrel" export "$work/div.kv3" -o "$work/div.pdf" 2> "$work/err"
grep -q "^kavrel: $work/div.kv3: .*division by zero" "$work/err" || fail "run error: $(cat "$work/err")"
pdftotext "$work/div.pdf" - | grep -q 'Row 60' || fail "run error: pages not written"
sed 's/<TkavMemoView Name="Total"/<TkavMemoVeiw Name="Total"/' "$data/rows.kv3" > "$work/typo.kv3"
expect 1 "$kavrel" export "$work/typo.kv3" -o "$work/typo.pdf" 2> "$work/err"
grep -qx "kavrel: $work/typo.kv3: Class not found TkavMemoVeiw" "$work/err" || fail "load error: $(cat "$work/err")"
# A prepared file holding an object of an unknown class names the prepared file.
sed 's/<m1 u="Sixty rows"\/>/<TkavMemoVeiw u="Sixty rows"\/>/' "$work/rows.kw3" > "$work/bad.kw3"
grep -q TkavMemoVeiw "$work/bad.kw3" || fail "no title in the kw3 to damage"
expect 1 "$kavrel" export "$work/bad.kw3" -o "$work/bad.pdf" 2> "$work/err"
grep -qx "kavrel: $work/bad.kw3: Class not found TkavMemoVeiw" "$work/err" || fail "damaged kw3: $(cat "$work/err")"
expect 1 "$kavrel" print "$work/bad.kw3" -o "$work/bad.pdf" 2> "$work/err"
grep -qx "kavrel: $work/bad.kw3: Class not found TkavMemoVeiw" "$work/err" || fail "damaged kw3 printed: $(cat "$work/err")"
echo "export: ok"
