#!/bin/bash
# kavrel script on small files: programs run with ShowMessage on standard output, the IL is
# printed with --il, compile errors are "FILE:LINE:COL: MESSAGE" with exit 1, run-time errors
# "FILE:LINE:COL: error: MESSAGE" (the unit's file inside a unit) with exit 2, an unknown
# language is an error with exit 3, units load from the folder, relative file names are
# taken from the script's folder, and an endless loop ends at the statement limit.
kavrel=$1
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'begin\r\n  a := 1;\r\nend.\r\n' > ok.pas
expect 0 "$kavrel" script ok.pas --il > out.txt
grep -q '<assignstmt pos="2:3">' out.txt || fail "ok.pas: no assignment in the IL"
grep -q '<types' out.txt || fail "ok.pas: no types element"

printf 'begin a := 1 b := 2 end.\n' > bad.pas
expect 1 "$kavrel" script bad.pas --il > /dev/null 2> err.txt
grep -qx "bad.pas:1:14: ';' expected" err.txt || fail "bad.pas: message $(cat err.txt)"

printf 'x = 1\n' > a.txt
expect 3 "$kavrel" script a.txt --il 2> err.txt
expect 3 "$kavrel" script a.txt --language Cobol --il 2> err.txt
grep -q "Language 'Cobol' not found" err.txt || fail "Cobol: message"

mkdir lib
printf "begin ShowMessage('u'); end.\r\n" > lib/u.pas
printf "uses 'u.pas';\r\nbegin end.\r\n" > main.pas
expect 0 "$kavrel" script main.pas --il --include lib > out.txt
grep -q '<uses unit="u.pas">' out.txt || fail "main.pas: unit not included"
printf "uses '../../etc/passwd';\r\nbegin end.\r\n" > evil.pas
expect 3 "$kavrel" script evil.pas --il > /dev/null 2> err.txt
grep -q "not allowed" err.txt || fail "evil.pas: message $(cat err.txt)"
# Running, in each language (the extension names it).
printf "var i, s: Integer;\r\nbegin\r\n  for i := 1 to 4 do s := s + i;\r\n  ShowMessage(s);\r\nend.\r\n" > sum.pas
expect 0 "$kavrel" script sum.pas > out.txt
[ "$(cat out.txt)" = "10" ] || fail "sum.pas: $(cat out.txt)"
printf '{ int i; for (i = 0; i < 3; i++) ShowMessage(i * 2); }\n' > loop.cpp
expect 0 "$kavrel" script loop.cpp > out.txt
[ "$(tr '\n' ' ' < out.txt)" = "0 2 4 " ] || fail "loop.cpp"
printf 'Dim a, b\r\na = "a"\r\nb = 1\r\nShowMessage(a & b)\r\n' > cat.vb
expect 0 "$kavrel" script cat.vb > out.txt
[ "$(cat out.txt)" = "a1" ] || fail "cat.vb: $(cat out.txt)"
printf 'function f(n) { return n + 1; }\nShowMessage(f(41));\n' > f.js
expect 0 "$kavrel" script f.js > out.txt
[ "$(cat out.txt)" = "42" ] || fail "f.js"
expect 0 "$kavrel" script main.pas --include lib > out.txt
[ "$(cat out.txt)" = "u" ] || fail "main.pas: the unit's statement did not run"

# Run-time errors: the messages printed before stay, the error goes to standard error.
printf "var i: Integer;\r\nbegin ShowMessage('before'); i := 0; i := 1 div i; end.\r\n" > div.pas
expect 2 "$kavrel" script div.pas > out.txt 2> err.txt
[ "$(cat out.txt)" = "before" ] || fail "div.pas: output"
grep -qx "div.pas:2:38: error: Division by zero" err.txt || fail "div.pas: $(cat err.txt)"
printf "procedure Fail;\r\nbegin\r\n  RaiseException('in unit');\r\nend;\r\nbegin end.\r\n" > lib/failing.pas
printf "uses 'failing.pas';\r\nbegin\r\n  Fail;\r\nend.\r\n" > usebad.pas
expect 2 "$kavrel" script usebad.pas --include lib 2> err.txt
grep -qx "failing.pas:3:3: error: in unit" err.txt || fail "usebad.pas: $(cat err.txt)"

# Relative file names lie beside the script, whatever the working folder.
mkdir here elsewhere
printf "var l: TStringList;\r\nbegin l := TStringList.Create; l.Add('x');\r\nl.SaveToFile('rel.txt'); end.\r\n" > here/rel.pas
(cd elsewhere && expect 0 "$kavrel" script ../here/rel.pas)
[ -f here/rel.txt ] && [ ! -e elsewhere/rel.txt ] || fail "rel.pas: the file is not beside the script"

# Endless loops and recursion end cleanly.
printf "begin while True do ; end.\r\n" > endless.pas
expect 2 "$kavrel" script endless.pas --limit 100000 2> err.txt
grep -q "statement limit reached" err.txt || fail "endless.pas: $(cat err.txt)"
printf "procedure R; begin R; end;\r\nbegin R; end.\r\n" > deep.pas
expect 2 "$kavrel" script deep.pas 2> err.txt
grep -qx "deep.pas:1:20: error: Stack overflow" err.txt || fail "deep.pas: $(cat err.txt)"
expect 2 "$kavrel" script sum.pas --limit x > /dev/null 2>&1
echo "script: ok"
