#!/bin/bash
# compare_scripts.sh judges our results: a stand-in kavrel that prints a wrong result makes
# it exit 1 with every program marked WRONG, one that prints each program's expected
# result makes it exit 0 with every program ok. (Lua's side runs for real, once.)
set -uo pipefail
compare=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }

# run KAVREL_SCRIPT: compare_scripts.sh against a stand-in `kavrel script FILE`.
run() {
    printf '#!/bin/sh\n%s\n' "$1" > "$work/kavrel"
    chmod +x "$work/kavrel"
    RUNS=1 "$compare" "$work/kavrel" > "$work/out" 2>&1
}

run 'echo 42'
code=$?
[[ $code == 1 ]] || fail "wrong results gave exit $code"
[[ $(grep -c ' WRONG$' "$work/out") == 6 ]] || fail "not every wrong result marked WRONG"

run 'sed -n "1s/^.*expect:[[:space:]]*//p" "$2"'
code=$?
[[ $code == 0 ]] || fail "right results gave exit $code"
[[ $(grep -c ' ok$' "$work/out") == 6 ]] || fail "not every right result ok"
echo "compare_scripts: ok"
