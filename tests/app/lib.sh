# Shared by the kavrel shell tests (sourced): failing with a message, exact exit codes,
# a full disk, and picture sizes without the `file` command.
set -uo pipefail
exec 3>&1 # messages reach the test's output also from inside a redirected command

fail() { echo "FAIL: $*" >&3; exit 1; }

# expect CODE COMMAND...: runs COMMAND and fails unless it exits with exactly CODE, so that a
# crash (128 + its signal) never passes for an error.
expect() {
    local want=$1 code=0
    shift
    "$@" || code=$?
    [[ $code == "$want" ]] || fail "exit $code instead of $want: $*"
}

# fullDisk KBYTES COMMAND...: runs COMMAND as if the disk were full after KBYTES kilobytes
# of any file it writes (a file-size limit holds for root too; writes then fail instead of
# killing the process).
fullDisk() {
    local kbytes=$1
    shift
    (ulimit -f "$kbytes" && trap '' XFSZ && exec "$@")
}

# pngsize FILE: "W x H" of a PNG file, empty for anything else.
pngsize() {
    python3 - "$1" <<'PY'
import struct, sys
head = open(sys.argv[1], "rb").read(24)
if head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR":
    print("%d x %d" % struct.unpack(">II", head[16:24]))
PY
}

# isjpeg FILE: whether FILE starts as a JPEG file does.
isjpeg() { [[ $(head -c 3 "$1" | od -An -tx1 | tr -d ' \n') == ffd8ff ]]; }
