#!/bin/bash
# kavrel resave on real templates: a resave keeps every byte of a template written by
# kavrel, a second resave changes nothing, and bad input gives an error and no output.
set -u
kavrel=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for template in "$data"/*.kv3; do
    name=$(basename "$template")
    "$kavrel" resave "$template" "$work/1-$name" || fail "$name: resave exit $?"
    "$kavrel" resave "$work/1-$name" "$work/2-$name" || fail "$name: second resave exit $?"
    cmp -s "$work/1-$name" "$work/2-$name" || fail "$name: second resave changed the file"
done
cmp -s "$data/every_class.kv3" "$work/1-every_class.kv3" || fail "every_class.kv3 changed"

echo "not a report" > "$work/bad.kv3"
"$kavrel" resave "$work/bad.kv3" "$work/out.kv3" 2> "$work/err" && fail "bad input accepted"
grep -q "Invalid file format" "$work/err" || fail "no message for bad input"
[ ! -e "$work/out.kv3" ] || fail "output written for bad input"
"$kavrel" resave "$work/missing.kv3" "$work/out.kv3" 2> /dev/null && fail "missing input accepted"
echo "resave: ok"
