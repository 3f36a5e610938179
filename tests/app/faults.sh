#!/bin/bash
# Every file kavrel writes, under three failing disks: a file-size limit (the disk fills up
# while writing), a read-only folder and a full temporary folder. Each write fails with
# exit 1 and a message naming the file, and the file that was there stays byte for byte;
# or, where the command needs no room the fault takes away, it succeeds. The read-only
# folder runs as an unprivileged user when root (root ignores folder permissions) and the
# full temporary folder needs a private mount (root only): without them those parts skip.
kavrel=$1
data=$2
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$data/rows.kv3" "$work/rows.kv3"
expect 0 "$kavrel" prepare "$work/rows.kv3" -o "$work/rows.kw3"

# The outputs: NAME COMMAND-WORDS (OUT stands for the output file).
outputs=(
    "kv3|resave $work/rows.kv3 OUT"
    "kw3|prepare $work/rows.kv3 -o OUT"
    "pdf|export $work/rows.kv3 -o OUT"
    "png|export $work/rows.kw3 -o OUT --pages 1"
    "jpg|export $work/rows.kw3 -o OUT --pages 1"
    "svg|export $work/rows.kw3 -o OUT --pages 1"
    "txt|export $work/rows.kv3 -o OUT"
    "csv|export $work/rows.kv3 -o OUT"
    "html|export $work/rows.kv3 -o OUT"
)

# words CASE OUT: the command of CASE with OUT filled in.
words() { local c=${1#*|}; echo "${c//OUT/$2}"; }

# The previous file of each output: a real one, written when nothing fails.
mkdir -p "$work/old"
for c in "${outputs[@]}"; do
    ext=${c%%|*}
    # shellcheck disable=SC2046
    expect 0 "$kavrel" $(words "$c" "$work/old/out.$ext") 2> /dev/null
    [ -s "$work/old/out.$ext" ] || fail "$ext: nothing written without a fault"
done

# kept DIR EXT WHAT: the file out.EXT in DIR is the same as the previous one.
kept() {
    cmp -s "$work/old/out.$2" "$1/out.$2" || fail "$3, $2: the previous file was damaged"
}

# A disk that is full, and one that fills up after a kilobyte (for outputs larger than that).
mkdir -p "$work/full"
for c in "${outputs[@]}"; do
    ext=${c%%|*}
    limits=(0)
    (($(stat -c %s "$work/old/out.$ext") > 1024)) && limits+=(1)
    for kbytes in "${limits[@]}"; do
        cp "$work/old/out.$ext" "$work/full/"
        # The message goes through a pipe: a file would fall under the limit too.
        code=0
        # shellcheck disable=SC2046
        fullDisk "$kbytes" "$kavrel" $(words "$c" "$work/full/out.$ext") 2>&1 > /dev/null \
            | cat > "$work/err" || code=$?
        [[ $code == 1 ]] || fail "full disk ($kbytes KB), $ext: exit $code: $(cat "$work/err")"
        grep -q "out.$ext" "$work/err" || fail "full disk ($kbytes KB), $ext: message without the file: $(cat "$work/err")"
        kept "$work/full" "$ext" "full disk ($kbytes KB)"
    done
done
# The same limit without the test ignoring the signal it raises: kavrel still ends with
# its own message instead of being killed.
cp "$work/old/out.kv3" "$work/full/"
expect 1 bash -c 'ulimit -f 1 && exec "$@"' _ "$kavrel" resave "$work/rows.kv3" "$work/full/out.kv3" 2> "$work/err"
grep -q "out.kv3" "$work/err" || fail "file-size limit: $(cat "$work/err")"
kept "$work/full" kv3 "file-size limit"
leftovers=$(ls -A "$work/full" | grep -v '^out\.' || true)
[ -z "$leftovers" ] || fail "full disk: temporary files left behind: $leftovers"

# A folder the user may not write in.
asUser=()
if [[ $(id -u) == 0 ]]; then
    if command -v setpriv > /dev/null && id nobody > /dev/null 2>&1; then
        asUser=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --reset-env env
            QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_RUNTIME_DIR= TMPDIR="$work/tmp")
        mkdir -p "$work/home" "$work/tmp"
        chmod 777 "$work/home" "$work/tmp"
        chmod 644 "$work/rows.kv3" "$work/rows.kw3"
    else
        echo "read-only folder: skipped (root without setpriv)"
    fi
fi
if [[ $(id -u) != 0 || ${#asUser[@]} -gt 0 ]]; then
    mkdir -p "$work/ro"
    cp "$work"/old/out.* "$work/ro/"
    chmod 555 "$work/ro"
    chmod 444 "$work"/ro/out.*
    for c in "${outputs[@]}"; do
        ext=${c%%|*}
        # shellcheck disable=SC2046
        expect 1 "${asUser[@]}" "$kavrel" $(words "$c" "$work/ro/out.$ext") 2> "$work/err"
        grep -q "out.$ext" "$work/err" || fail "read-only, $ext: message without the file: $(cat "$work/err")"
        kept "$work/ro" "$ext" "read-only folder"
    done
    chmod 755 "$work/ro"
fi

# A temporary folder with no room left, as a small private file system.
if [[ $(id -u) == 0 ]] && unshare -m --propagation private true 2> /dev/null; then
    mkdir -p "$work/tmpfull" "$work/t"
    for c in "${outputs[@]}"; do
        ext=${c%%|*}
        cp "$work/old/out.$ext" "$work/t/"
        code=0
        # shellcheck disable=SC2046
        unshare -m --propagation private bash -c '
            mount -t tmpfs -o size=64k tmpfs "$1" || exit 99
            dd if=/dev/zero of="$1/fill" bs=1k count=1024 2> /dev/null
            folder=$1
            shift
            TMPDIR=$folder exec "$@"' _ "$work/tmpfull" "$kavrel" \
            $(words "$c" "$work/t/out.$ext") 2> "$work/err" || code=$?
        [[ $code != 99 ]] || fail "full temporary folder: cannot mount"
        echo "full temporary folder, $ext: exit $code $(head -c 200 "$work/err")"
        case $code in
        0) [ -s "$work/t/out.$ext" ] || fail "full temporary folder, $ext: success without a file" ;;
        1)
            grep -q "out.$ext\|$work/tmpfull" "$work/err" || fail "full temporary folder, $ext: unclear message: $(cat "$work/err")"
            kept "$work/t" "$ext" "full temporary folder"
            ;;
        *) fail "full temporary folder, $ext: exit $code: $(cat "$work/err")" ;;
        esac
    done
else
    echo "full temporary folder: skipped (needs root and a private mount)"
fi
echo "faults: every failed write kept the previous file"
