#!/bin/bash
# kavrel resave on real templates: a resave keeps every byte of a template written by
# kavrel, a second resave changes nothing, a protected report is resaved only with its
# password (and keeps it), and bad input gives an error and no output.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for template in "$data"/*.kv3; do
    name=$(basename "$template")
    expect 0 "$kavrel" resave "$template" "$work/1-$name"
    expect 0 "$kavrel" resave "$work/1-$name" "$work/2-$name"
    cmp -s "$work/1-$name" "$work/2-$name" || fail "$name: second resave changed the file"
done
cmp -s "$data/every_class.kv3" "$work/1-every_class.kv3" || fail "every_class.kv3 changed"

echo "not a report" > "$work/bad.kv3"
expect 1 "$kavrel" resave "$work/bad.kv3" "$work/out.kv3" 2> "$work/err"
grep -q "Invalid file format" "$work/err" || fail "no message for bad input"
[ ! -e "$work/out.kv3" ] || fail "output written for bad input"
expect 1 "$kavrel" resave "$work/missing.kv3" "$work/out.kv3" 2> /dev/null
expect 2 "$kavrel" resave "$work/1-every_class.kv3" 2> /dev/null
# A full disk: exit 1 and the previous file is kept whole.
cp "$work/1-every_class.kv3" "$work/keep.kv3"
expect 1 fullDisk 1 "$kavrel" resave "$data/every_class.kv3" "$work/keep.kv3" 2> "$work/err"
grep -q 'keep.kv3' "$work/err" || fail "full disk: $(cat "$work/err")"
cmp -s "$work/1-every_class.kv3" "$work/keep.kv3" || fail "full disk: the previous file was damaged"

# A protected report ("secret", stored shifted) is not rewritten without its password.
sed 's/<TkavReport /<TkavReport ReportOptions.Password="i[Yh[j" /' "$work/1-every_class.kv3" > "$work/locked.kv3"
expect 1 "$kavrel" resave "$work/locked.kv3" "$work/open.kv3" 2> "$work/err"
grep -q 'protected by a password' "$work/err" || fail "no password: $(cat "$work/err")"
[ ! -e "$work/open.kv3" ] || fail "no password: written"
expect 1 "$kavrel" resave "$work/locked.kv3" "$work/open.kv3" --password Secret 2> /dev/null
expect 0 "$kavrel" resave "$work/locked.kv3" "$work/open.kv3" --password secret
grep -q 'ReportOptions.Password="i\[Yh\[j"' "$work/open.kv3" || fail "the password was not kept"
expect 0 "$kavrel" resave --password secret "$work/open.kv3" "$work/again.kv3"
cmp -s "$work/open.kv3" "$work/again.kv3" || fail "a protected report changed on a second resave"
# A command kavrel does not have: exit 2, naming it.
expect 2 "$kavrel" resav "$template" 2> "$work/err"
grep -q "unknown command 'resav'" "$work/err" || fail "unknown command: $(tail -1 "$work/err")"
echo "resave: ok"
