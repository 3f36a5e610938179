#!/bin/bash
# Golden end-to-end runs: `kavrel prepare --dump` of every template in tests/golden and of the
# demo reports, compared with the stored dumps. NAME.kv3 runs against NAME.dump (standard
# output); NAME.exit holds the expected exit code when it is not 0 and NAME.err the expected
# standard error when it matters; NAME.prn, where it exists, holds the bytes that
# `kavrel print NAME.kv3 -o FILE` writes (a dot-matrix report's printer text and codes).
# KAV_GOLDEN_UPDATE=1 rewrites the stored files instead (read every new dump before
# committing it; create an empty NAME.prn to have its bytes stored).
set -uo pipefail
shopt -s nullglob
kavrel=$1
golden=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 TZ=UTC
failures=0

# Today's date and time appear in reports that print them: stand-ins keep the dumps stable.
normalise() {
    sed -e "s#$(date +%-m/%-d/%Y)#<today>#g" -e "s#$(date +%-m/%-d/%y)#<today>#g" \
        -e "s#$(date +%d.%m.%Y)#<today>#g" -e "s#$(date +%d/%m/%Y)#<today>#g" \
        -e "s#$(date +%Y-%m-%d)#<today>#g" -e 's#[0-9][0-9]*:[0-5][0-9]:[0-5][0-9]#<time>#g' "$1"
}

# check DIR NAME EXPECTED_DIR: one template, run in its own folder so messages name it alone.
check() {
    local dir=$1 name=$2 expected=$3
    local code=0
    (cd "$dir" && timeout 120 "$kavrel" prepare "$name.kv3" -o "$work/$name.kw3" --dump \
        > "$work/$name.out" 2> "$work/$name.errout") || code=$?
    normalise "$work/$name.out" > "$work/$name.dump"
    normalise "$work/$name.errout" > "$work/$name.err"
    if [[ ${KAV_GOLDEN_UPDATE:-} == 1 ]]; then
        cp "$work/$name.dump" "$expected/$name.dump"
        if ((code)); then echo "$code" > "$expected/$name.exit"; else rm -f "$expected/$name.exit"; fi
        if [[ -s $work/$name.err ]]; then cp "$work/$name.err" "$expected/$name.err"
        else rm -f "$expected/$name.err"; fi
        echo "updated $name (exit $code)"
        return
    fi
    local want=0
    [[ -f $expected/$name.exit ]] && want=$(cat "$expected/$name.exit")
    if [[ $code != "$want" ]]; then
        echo "FAIL: $name: exit $code, expected $want"; cat "$work/$name.errout"; failures=$((failures + 1))
    elif ! diff -u "$expected/$name.dump" "$work/$name.dump" > "$work/$name.diff"; then
        echo "FAIL: $name: dump differs"; head -40 "$work/$name.diff"; failures=$((failures + 1))
    elif [[ -f $expected/$name.err ]] && ! diff -u "$expected/$name.err" "$work/$name.err"; then
        echo "FAIL: $name: standard error differs"; failures=$((failures + 1))
    fi
}

# printed DIR NAME: the bytes printed to a file against NAME.prn.
printed() {
    local dir=$1 name=$2
    local code=0
    (cd "$dir" && timeout 120 "$kavrel" print "$name.kv3" -o "$work/$name.prn" 2> "$work/$name.prnerr") || code=$?
    if ((code)); then
        echo "FAIL: $name: print exit $code"; cat "$work/$name.prnerr"; failures=$((failures + 1))
    elif [[ ${KAV_GOLDEN_UPDATE:-} == 1 ]]; then
        cp "$work/$name.prn" "$dir/$name.prn"
        echo "updated $name.prn"
    elif ! cmp "$dir/$name.prn" "$work/$name.prn"; then
        echo "FAIL: $name: printed bytes differ"
        diff <(od -An -c "$dir/$name.prn") <(od -An -c "$work/$name.prn") | head -20
        failures=$((failures + 1))
    fi
}

for template in "$golden"/*.kv3; do
    check "$golden" "$(basename "${template%.kv3}")" "$golden"
    [[ -f ${template%.kv3}.prn ]] && printed "$golden" "$(basename "${template%.kv3}")"
done

# The demo reports, over a freshly generated demo database.
mkdir "$work/examples"
cp "$examples"/*.kv3 "$examples"/products.csv "$examples"/logo.png "$work/examples"/
python3 "$examples/make_demo_db.py" "$work/examples/demo.db" > /dev/null || { echo "FAIL: demo database"; exit 1; }
for template in "$work/examples"/*.kv3; do
    check "$work/examples" "$(basename "${template%.kv3}")" "$golden/examples"
done

((failures == 0)) || { echo "$failures golden run(s) failed"; exit 1; }
echo "golden: ok"
