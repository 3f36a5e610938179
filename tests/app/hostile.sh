#!/bin/bash
# Hostile scripts through `kavrel script`, each under a memory cap: strings, lists, XML trees
# and streams that a script grows past their limits, and allocations that fail. A script
# may fail (exit 2 with its error) or catch the error; the process never ends on its own
# (an abort is 134, a segmentation fault 139).
set -u -o pipefail
kavrel=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

# Address space for one run (KiB): room for the program and a few capped strings.
cap=${KAV_HOSTILE_MEMORY_KB:-2500000}

# A sanitizer build reserves terabytes of address space and cannot start under the cap:
# there the sanitizer's allocator stands in for it, failing allocations past the cap.
sanitized=0
(ulimit -v "$cap" && exec "$kavrel" --version) > /dev/null 2>&1 || sanitized=1

# run NAME STATUS TEXT...: runs the script NAME under the cap (CAP=KiB before the call sets
# another); its exit status must be STATUS and each TEXT must be one line of its output.
run() {
    local name=$1 want=$2 status limit=${CAP:-$cap}
    shift 2
    if ((sanitized)); then
        (export ASAN_OPTIONS="${ASAN_OPTIONS:-}:allocator_may_return_null=1:soft_rss_limit_mb=$((limit / 1024))"
            exec "$kavrel" script "$name") > "$name.out" 2>&1
    else
        (ulimit -v "$limit" && exec "$kavrel" script "$name") > "$name.out" 2>&1
    fi
    status=$?
    [ "$status" -eq "$want" ] || fail "$name: exit $status, expected $want: $(head -c 400 "$name.out")"
    for text in "$@"; do
        grep -qxF -- "$text" "$name.out" || fail "$name: no line '$text' in: $(head -c 400 "$name.out")"
    done
}

# Lines sharing one text, joined: 10,000 lines of a million characters.
cat > joins.pas <<'EOF'
var sl: TStringList; i: Integer; s: String;
begin
  s := 'x'; for i := 1 to 20 do s := s + s;
  sl := TStringList.Create;
  for i := 1 to 10000 do sl.Add(s);
  try s := sl.Text; except ShowMessage('Text: ' + ExceptionMessage); end;
  try s := sl.CommaText; except ShowMessage('CommaText: ' + ExceptionMessage); end;
  try sl.SaveToFile('big.txt'); except ShowMessage('SaveToFile: ' + ExceptionMessage); end;
  ShowMessage('alive');
end.
EOF
run joins.pas 0 "Text: String is too long" "CommaText: String is too long" \
    "SaveToFile: String is too long" alive
[ ! -e big.txt ] || fail "joins.pas: a file past the cap was written"

# Format doubling its own result.
cat > formats.pas <<'EOF'
var s: String; i: Integer;
begin
  SetLength(s, 150000000);
  try for i := 1 to 10 do s := Format('%s%s', [s, s]);
  except ShowMessage('Format: ' + ExceptionMessage); end;
  ShowMessage('alive');
end.
EOF
run formats.pas 0 "Format: String is too long" alive

# Nesting by Add, and by AddItem of a deep item; the process must also end cleanly.
cat > xmldeep.pas <<'EOF'
var doc: TkyXMLDocument; it, deep: TkyXMLItem; i: Integer;
begin
  doc := TkyXMLDocument.Create; it := doc.Root;
  try for i := 1 to 200000 do it := it.Add;
  except ShowMessage('Add: ' + ExceptionMessage); end;
  deep := TkyXMLItem.Create; it := deep;
  for i := 1 to 1000 do it := it.Add;
  try doc.Root.Items[0].AddItem(deep); except ShowMessage('AddItem: ' + ExceptionMessage); end;
  try doc.Root.InsertItem(0, deep); except ShowMessage('InsertItem: ' + ExceptionMessage); end;
  doc.SaveToFile('deep.xml');
  ShowMessage('saved');
end.
EOF
run xmldeep.pas 0 "Add: XML items are nested too deeply" "AddItem: XML items are nested too deeply" \
    "InsertItem: XML items are nested too deeply" saved
grep -q '^<?xml' deep.xml || fail "xmldeep.pas: nothing saved"

# An item added to itself doubles the tree; attributes and saved text grow without end.
cat > xmlwide.js <<'EOF'
var doc = new TkyXMLDocument; var r = doc.Root; r.Add(); var i; var s = "x";
try { for (i = 1; i < 40; i++) r.AddItem(r); } except { ShowMessage("AddItem: " + ExceptionMessage); }
r.Clear();
for (i = 1; i < 28; i++) s = s + s;
try { for (i = 1; i < 10; i++) r.Prop["a" + i] = s; } except { ShowMessage("Prop: " + ExceptionMessage); }
var big = new TkyXMLItem; big.Text = s; var sub = big.Add(); sub.Text = s;
r.AddItem(big);
var m = new TMemoryStream;
try { doc.SaveToStream(m); } except { ShowMessage("SaveToStream: " + ExceptionMessage); }
ShowMessage("alive");
EOF
run xmlwide.js 0 "AddItem: Too many XML items" "Prop: String is too long" \
    "SaveToStream: Stream is too large" alive

# A list past its count limit from one text of line breaks.
cat > lines.pas <<'EOF'
var sl: TStringList; s: String; i: Integer;
begin
  s := #10; for i := 1 to 24 do s := s + s;
  sl := TStringList.Create;
  try sl.Text := s + 'x'; except ShowMessage(ExceptionMessage); end;
  ShowMessage('alive');
end.
EOF
run lines.pas 0 "List is too large" alive

# Allocations that fail under the cap: caught, then uncaught with its place.
cat > exhaust.pas <<'EOF'
var a: array[0..99] of Variant; i: Integer;
begin
  try for i := 0 to 99 do a[i] := VarArrayCreate([0, 16000000], varVariant);
  except ShowMessage('caught ' + ExceptionClassName + ': ' + ExceptionMessage); end;
  for i := 0 to 99 do a[i] := 0;
  ShowMessage('alive');
  for i := 0 to 99 do a[i] := VarArrayCreate([0, 16000000], varVariant);
end.
EOF
# A sanitizer's allocator ends the process where the system's fails an allocation.
if ((sanitized)); then
    echo "hostile: exhaust.pas skipped in a sanitizer build"
else
    CAP=1000000 run exhaust.pas 2 "caught EOutOfMemory: Out of memory" alive \
        "exhaust.pas:7:23: error: Out of memory"
fi
echo "hostile: ok"
