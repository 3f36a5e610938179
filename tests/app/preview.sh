#!/bin/bash
# kavrel preview with --grab: the window painted into a PNG file of the size asked, the
# figures on standard output, the search's result in the exit code, prepared files as input,
# and exact exit codes for bad options, missing files, failed runs and unwritable pictures;
# the host window and the designer without a display.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY

expect 0 "$kavrel" preview "$data/rows.kv3" --size 640x480 --grab "$work/rows.png" > "$work/out"
[ "$(pngsize "$work/rows.png")" = "640 x 480" ] || fail "picture: $(pngsize "$work/rows.png")"
grep -qx 'first page shown after [0-9]* ms' "$work/out" || fail "no first-page time: $(cat "$work/out")"
grep -qx 'pages 2' "$work/out" || fail "page count: $(cat "$work/out")"

# A word on the second page only, then one that is nowhere (exit 1).
expect 0 "$kavrel" preview "$data/rows.kv3" --find 'Row 50' --grab "$work/find.png" > "$work/out"
grep -qx 'found on page 2' "$work/out" || fail "find: $(cat "$work/out")"
expect 1 "$kavrel" preview "$data/rows.kv3" --find 'no such words' --grab "$work/none.png" > "$work/out"
grep -qx 'not found' "$work/out" || fail "not found: $(cat "$work/out")"
[ -s "$work/none.png" ] || fail "no picture when the word was not found"

# Prepared pages, on another page, at other zooms, with either side panel.
expect 0 "$kavrel" prepare "$data/rows.kv3" -o "$work/rows.kw3"
for options in "--page 2 --zoom width" "--zoom page --outline" "--zoom 50% --thumbnails" "--zoom 250"; do
    # shellcheck disable=SC2086
    expect 0 "$kavrel" preview "$work/rows.kw3" $options --grab "$work/kw3.png" > "$work/out"
    grep -qx 'pages 2' "$work/out" || fail "$options: $(cat "$work/out")"
done

# Bad options (exit 2), without a display and without --grab (exit 2), missing and broken
# input, a failed run and a picture that cannot be written (exit 1, the file named).
for options in "--outline --thumbnails" "--zoom wide" "--size 10x10" "--page x" "--grab"; do
    # shellcheck disable=SC2086
    expect 2 "$kavrel" preview "$data/rows.kv3" $options 2> /dev/null
done
expect 2 "$kavrel" preview "$data/rows.kv3" 2> "$work/err"
grep -q 'display' "$work/err" || fail "no display: $(cat "$work/err")"
# The host window and the designer alike (a crash would be 134); with --grab they paint.
expect 2 "$kavrel" < /dev/null 2> "$work/err"
grep -q 'display' "$work/err" || fail "host window without a display: $(cat "$work/err")"
expect 2 "$kavrel" design "$data/rows.kv3" 2> /dev/null
expect 0 "$kavrel" design "$data/rows.kv3" --size 640x480 --grab "$work/design.png" 2> /dev/null
[ "$(pngsize "$work/design.png")" = "640 x 480" ] || fail "designer picture: $(pngsize "$work/design.png")"
expect 1 "$kavrel" preview "$work/missing.kw3" --grab "$work/m.png" 2> "$work/err"
grep -q "missing.kw3" "$work/err" || fail "missing: $(cat "$work/err")"
echo '<preparedreport><previewpages><page0' > "$work/broken.kw3"
expect 1 "$kavrel" preview "$work/broken.kw3" --grab "$work/b.png" > /dev/null 2> "$work/err"
grep -q "broken.kw3: " "$work/err" || fail "broken: $(cat "$work/err")"
sed 's/Text="End of report&#13;&#10;\[Line#\] rows"/Text="[1\/0]"/' "$data/rows.kv3" > "$work/div.kv3"
expect 1 "$kavrel" preview "$work/div.kv3" --grab "$work/div.png" > /dev/null 2> "$work/err"
grep -q "^kavrel: $work/div.kv3: .*division by zero" "$work/err" || fail "run error: $(cat "$work/err")"
expect 1 "$kavrel" preview "$data/rows.kv3" --grab "$work/nofolder/x.png" > /dev/null 2> "$work/err"
grep -q 'nofolder/x.png' "$work/err" || fail "unwritable picture: $(cat "$work/err")"
echo "preview: all checks passed"
