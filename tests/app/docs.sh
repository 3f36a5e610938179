#!/bin/bash
# Every example of the script authors' guide runs through `kavrel script` as written: a
# fenced block tagged pas, cpp, vb or js is a program, saved as script.EXT in a folder of
# its own; the output block after it is what the run prints. A block tagged "pas fails"
# (and so on) must fail, and the output block is then its standard error.
set -u -o pipefail
kavrel=$1
guide=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export LC_ALL=C.UTF-8 LANG=C.UTF-8

# Splits the guide: example N goes to N/script.EXT (N/fails marks a failing one) and its
# output block to N/expected.
awk -v dir="$work" '
    /^```(pas|cpp|vb|js)( fails)?$/ {
        n++; split(substr($0, 4), tag, " ");
        file = dir "/" n "/script." tag[1]; system("mkdir -p " dir "/" n);
        if (tag[2] == "fails") printf "" > (dir "/" n "/fails");
        printf "" > file; mode = "code"; next
    }
    /^```output$/ { file = dir "/" n "/expected"; printf "" > file; mode = "out"; next }
    /^```/ { mode = ""; next }
    mode != "" { print >> file }
' "$guide"

count=0
for example in "$work"/*/; do
    count=$((count + 1))
    script=$(ls "$example" | grep '^script\.')
    (cd "$example" && "$kavrel" script "$script" > stdout 2> stderr)
    status=$?
    if [ -e "$example/fails" ]; then
        [ "$status" -ne 0 ] || fail "example $(basename "$example") ran, but should fail"
        got="$example/stderr"
    else
        [ "$status" -eq 0 ] || fail "example $(basename "$example"): exit $status: $(cat "$example/stderr")"
        got="$example/stdout"
    fi
    if [ -e "$example/expected" ]; then
        diff -u "$example/expected" "$got" \
            || fail "example $(basename "$example") ($script) shows something else"
    fi
done
[ "$count" -ge 20 ] || fail "only $count examples found in $guide"
echo "docs: $count examples ok"
