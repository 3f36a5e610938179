#!/bin/bash
# Raw and dot-matrix printing through CUPS. A private cupsd (its own configuration, spool,
# logs and socket in a temporary folder; the machine's CUPS is never asked) serves a raw
# queue whose backend writes each job's bytes to a file. Through it: raw bytes sent by the
# printer layer (the CupsRaw tests of kavoutput_tests), and the golden dot-matrix report
# printed with `kavrel print --printer QUEUE`, must arrive unchanged; a print that fails
# sends no job. Exit 77 (skipped) only when cupsd is not installed or does not start.
#
# The queue's device is a backend of the test's own rather than a file: URI, because cupsd
# writes file: devices only through a filter, and a raw job has none.
set -uo pipefail
kavrel=$(realpath "$1")
output_tests=$2
golden=$3
serverbin=${CUPS_SERVERBIN:-/usr/lib/cups}
export PATH=$PATH:/usr/sbin
fail() { echo "FAIL: $*"; [[ -f $work/log/error_log ]] && grep '^E' "$work/log/error_log" | tail -5; exit 1; }

cupsd=$(command -v cupsd) || { echo "SKIP: cupsd is not installed (Debian package cups-daemon)"; exit 77; }
[[ -x $serverbin/daemon/cups-exec ]] || { echo "SKIP: no $serverbin/daemon/cups-exec"; exit 77; }
for tool in lpadmin lpstat; do
    command -v $tool > /dev/null || fail "$tool is missing (Debian package cups-client)"
done

work=$(mktemp -d)
pid=
cleanup() {
    [[ -n $pid ]] && kill "$pid" 2> /dev/null && wait "$pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# cupsd (as root) runs the backend as its own user: the folders must let it in.
chmod 755 "$work"
mkdir -p "$work"/{spool/tmp,cache,state,log,out,bin/backend,bin/filter}
chmod 777 "$work/out"
ln -s "$serverbin/daemon" "$work/bin/daemon"
cat > "$work/bin/backend/capture" << 'EOF'
#!/bin/sh
# capture:/PATH writes the bytes of each job to PATH.
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Capture"'; exit 0; }
if [ -n "$6" ]; then cat -- "$6"; else cat; fi > "${DEVICE_URI#capture:}" || exit 1
EOF
chmod 755 "$work/bin/backend/capture"
cat > "$work/cupsd.conf" << EOF
Listen $work/cups.sock
LogLevel info
DefaultAuthType None
Browsing No
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
cat > "$work/cups-files.conf" << EOF
FileDevice Yes
ServerRoot $work
ServerBin $work/bin
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/state
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
Printcap $work/printcap
EOF

"$cupsd" -f -c "$work/cupsd.conf" -s "$work/cups-files.conf" > "$work/log/stdout" 2>&1 &
pid=$!
for ((i = 0; i < 100; i++)); do
    [[ -S $work/cups.sock ]] && break
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
done
if [[ ! -S $work/cups.sock ]]; then
    echo "SKIP: cupsd did not start:"
    cat "$work/log/stdout" "$work/log/error_log" 2> /dev/null | tail -5
    exit 77
fi
export CUPS_SERVER=$work/cups.sock
queue=kavraw
out=$work/out/job.prn
lpadmin -p $queue -E -v "capture:$out" || fail "lpadmin could not add the queue"
lpstat -v $queue | grep -q "capture:$out" || fail "queue not listed: $(lpstat -v 2>&1)"

# Waits until the queue has no job left and then checks the number of completed jobs.
jobs_done() {
    local want=$1
    for ((i = 0; i < 300; i++)); do
        [[ -z $(lpstat -W not-completed -o $queue 2> /dev/null) ]] && break
        sleep 0.1
    done
    local done
    done=$(lpstat -W completed -o $queue | wc -l)
    [[ $done == "$want" ]] || fail "$done jobs completed, expected $want"
}

# Raw bytes of the printer layer: every byte value, a document written in many pieces, an
# aborted document that must not reach the queue (two jobs in all).
KAV_CUPS_QUEUE=$queue KAV_CUPS_OUTPUT=$out "$output_tests" --gtest_filter='CupsRaw.*' \
    > "$work/gtest.log" 2>&1 || { cat "$work/gtest.log"; fail "CupsRaw tests"; }
grep -q '\[  PASSED  \] 2 tests' "$work/gtest.log" || { cat "$work/gtest.log"; fail "CupsRaw tests did not run"; }
jobs_done 2

# The dot-matrix report through the queue: the golden bytes, escape codes included.
rm -f "$out"
(cd "$golden" && "$kavrel" print dotmatrix.kv3 --printer $queue) || fail "print exit $?"
jobs_done 3
cmp "$out" "$golden/dotmatrix.prn" || fail "the queue received other bytes than dotmatrix.prn"

# Printed to a file on the same printer: the same bytes, no job.
(cd "$golden" && "$kavrel" print dotmatrix.kv3 --printer $queue -o "$work/file.prn") \
    || fail "print -o exit $?"
cmp "$work/file.prn" "$golden/dotmatrix.prn" || fail "print -o wrote other bytes than dotmatrix.prn"
# A range naming no page fails and sends nothing.
(cd "$golden" && "$kavrel" print dotmatrix.kv3 --printer $queue --pages 9) 2> "$work/err"
code=$?
[[ $code == 1 ]] || fail "empty range: exit $code"
grep -q 'No page' "$work/err" || fail "empty range: $(cat "$work/err")"
jobs_done 3
echo "cups: ok"
