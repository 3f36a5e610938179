#!/bin/bash
# kavrel script on small files: the IL is printed, compile errors are "FILE:LINE:COL: MESSAGE"
# with exit 1, an unknown language is an error with exit 3, and units load from the folder.
set -u
kavrel=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

printf 'begin\r\n  a := 1;\r\nend.\r\n' > ok.pas
"$kavrel" script ok.pas --il > out.txt || fail "ok.pas: exit $?"
grep -q '<assignstmt pos="2:3">' out.txt || fail "ok.pas: no assignment in the IL"
grep -q '<types' out.txt || fail "ok.pas: no types element"

printf 'begin a := 1 b := 2 end.\n' > bad.pas
"$kavrel" script bad.pas --il > /dev/null 2> err.txt
[ $? -eq 1 ] || fail "bad.pas: exit code"
grep -qx "bad.pas:1:14: ';' expected" err.txt || fail "bad.pas: message $(cat err.txt)"

printf 'x = 1\n' > a.txt
"$kavrel" script a.txt --il 2> err.txt
[ $? -eq 3 ] || fail "a.txt: exit code"
"$kavrel" script a.txt --language Cobol --il 2> err.txt
[ $? -eq 3 ] || fail "Cobol: exit code"
grep -q "Language 'Cobol' not found" err.txt || fail "Cobol: message"

mkdir lib
printf "begin ShowMessage('u'); end.\r\n" > lib/u.pas
printf "uses 'u.pas';\r\nbegin end.\r\n" > main.pas
"$kavrel" script main.pas --il --include lib > out.txt || fail "main.pas: exit $?"
grep -q '<uses unit="u.pas">' out.txt || fail "main.pas: unit not included"
printf "uses '../../etc/passwd';\r\nbegin end.\r\n" > evil.pas
"$kavrel" script evil.pas --il > /dev/null 2> err.txt && fail "evil.pas: a file outside the allowed folders was read"
grep -q "not allowed" err.txt || fail "evil.pas: message $(cat err.txt)"
echo "script: ok"
