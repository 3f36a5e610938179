#!/bin/bash
# kavrel design --tab preview --grab: the run's errors (of the engine and of the script) on
# standard error with the file's name, exit 1 when the run failed, and the picture written
# all the same; a clean run says nothing and exits 0.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY

expect 0 "$kavrel" design "$data/rows.kv3" --tab preview --size 640x480 --grab "$work/rows.png" 2> "$work/err"
grep -q "^kavrel:" "$work/err" && fail "a clean run printed: $(cat "$work/err")"
[ "$(pngsize "$work/rows.png")" = "640 x 480" ] || fail "picture: $(pngsize "$work/rows.png")"

# An expression that fails while the report runs.
sed 's/Text="End of report&#13;&#10;\[Line#\] rows"/Text="[1\/0]"/' "$data/rows.kv3" > "$work/div.kv3"
expect 1 "$kavrel" design "$work/div.kv3" --tab preview --size 640x480 --grab "$work/div.png" 2> "$work/err"
grep -q "^kavrel: $work/div.kv3: .*division by zero" "$work/err" || fail "run error: $(cat "$work/err")"
[ "$(pngsize "$work/div.png")" = "640 x 480" ] || fail "no picture after a failed run"

# A script that does not compile: the run never starts.
sed 's/ScriptLanguage="PascalScript"/ScriptLanguage="PascalScript" ScriptText.Text="begin\&#13;\&#10;  x := ;\&#13;\&#10;end."/' \
    "$data/rows.kv3" > "$work/script.kv3"
grep -q 'x := ;' "$work/script.kv3" || fail "the script was not put into the template"
expect 1 "$kavrel" design "$work/script.kv3" --tab preview --grab "$work/script.png" 2> "$work/err"
grep -q "^kavrel: $work/script.kv3: " "$work/err" || fail "script error: $(cat "$work/err")"
[ -s "$work/script.png" ] || fail "no picture after a script error"

# The Designer tab runs nothing: the same template opens without a word.
expect 0 "$kavrel" design "$work/div.kv3" --grab "$work/design.png" 2> "$work/err"
grep -q "^kavrel:" "$work/err" && fail "the designer tab printed: $(cat "$work/err")"
echo "design: all checks passed"
