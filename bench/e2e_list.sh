#!/usr/bin/env bash
# End to end, as a user runs it: `kavrel export` of an 8-column list over SQLite to PDF,
# process start included. Builds the data and the template, then prints per row count the
# time, rows/s, pages/s, peak memory and file size; and the start-up cost: the best of five
# exports of the one-page list (20 rows).
#   bench/e2e_list.sh [KAVREL] [ROWS...]   (default build/bin/kavrel 10000 100000 1000000)
set -euo pipefail
kavrel=${1:-build/bin/kavrel}
shift || true
counts=("$@")
((${#counts[@]})) || counts=(10000 100000 1000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/list.kv3" <<'KV3'
<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TkavReport Version="5.2.3" ScriptLanguage="PascalScript">
  <Datasets><item DataSet="Orders" DataSetName="Orders"/></Datasets>
  <TkavDataPage Name="Data" Width="1000" Height="1000">
    <TkavSQLDatabase Name="DB" DatabaseName="list.db"/>
    <TkavSQLQuery Name="Orders" UserName="Orders" Database="DB" SQL.Text="select * from orders order by id"/>
  </TkavDataPage>
  <TkavReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TkavPageHeader Name="PageHeader1" Left="0" Top="0" Width="718" Height="24">
      <TkavMemoView Name="Head" Left="0" Top="0" Width="718" Height="20" Font.Style="1" ParentFont="False" Text="Orders"/>
    </TkavPageHeader>
    <TkavMasterData Name="MasterData1" Left="0" Top="40" Width="718" Height="18" DataSet="Orders" DataSetName="Orders">
      <TkavMemoView Name="C1" Left="0" Top="0" Width="60" Height="18" Text="[Orders.&quot;id&quot;]"/>
      <TkavMemoView Name="C2" Left="60" Top="0" Width="130" Height="18" Text="[Orders.&quot;customer&quot;]"/>
      <TkavMemoView Name="C3" Left="190" Top="0" Width="90" Height="18" Text="[Orders.&quot;city&quot;]"/>
      <TkavMemoView Name="C4" Left="280" Top="0" Width="120" Height="18" Text="[Orders.&quot;product&quot;]"/>
      <TkavMemoView Name="C5" Left="400" Top="0" Width="80" Height="18" Text="[Orders.&quot;day&quot;]"/>
      <TkavMemoView Name="C6" Left="480" Top="0" Width="70" Height="18" Text="[Orders.&quot;status&quot;]"/>
      <TkavMemoView Name="C7" Left="550" Top="0" Width="90" Height="18" Text="[Orders.&quot;note&quot;]"/>
      <TkavMemoView Name="C8" Left="640" Top="0" Width="78" Height="18" HAlign="haRight" Text="[Orders.&quot;amount&quot;]"/>
    </TkavMasterData>
    <TkavPageFooter Name="PageFooter1" Left="0" Top="100" Width="718" Height="22">
      <TkavMemoView Name="Foot" Left="0" Top="0" Width="718" Height="20" HAlign="haRight" Text="Page [Page#]"/>
    </TkavPageFooter>
  </TkavReportPage>
</TkavReport>
KV3

# make_data ROWS: the orders table of ROWS rows in list.db.
make_data() {
    rm -f "$work/list.db"
    python3 - "$work/list.db" "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("create table orders (id integer primary key, customer text, city text, product text,"
           " day text, status text, note text, amount real)")
cities = ["Lisboa", "Porto", "Braga", "Coimbra", "Faro"]
db.executemany("insert into orders values (?,?,?,?,?,?,?,?)",
               ((i, "Customer %d" % (i % 977), cities[i % 5], "Product %d" % (i % 131),
                 "2026-%02d-%02d" % (i % 12 + 1, i % 28 + 1), "open" if i % 3 else "paid",
                 "note %d" % i, (i * 37 % 10000) / 100.0) for i in range(1, int(sys.argv[2]) + 1)))
db.commit()
PY
}

make_data 20
best=
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$kavrel" export "$work/list.kv3" -o "$work/one.pdf" --data DB="$work/list.db" > /dev/null
    ms=$((($(date +%s%N) - start) / 1000000))
    [[ -z $best || $ms -lt $best ]] && best=$ms
done
echo "one-page export (start-up included): $best ms"

printf '%9s %9s %11s %9s %9s %9s\n' rows seconds rows/s pages/s peak_MB pdf_MB
for rows in "${counts[@]}"; do
    make_data "$rows"
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/rss" "$kavrel" export "$work/list.kv3" -o "$work/list.pdf" \
        --data DB="$work/list.db" > /dev/null
    end=$(date +%s.%N)
    pages=$(python3 -c "import re,sys; print(len(re.findall(rb'/Type\s*/Page\b', open(sys.argv[1],'rb').read())))" "$work/list.pdf")
    python3 - "$rows" "$start" "$end" "$pages" "$(cat "$work/rss")" "$(stat -c %s "$work/list.pdf")" <<'PY'
import sys
rows, start, end, pages, rss, size = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
t = end - start
print("%9d %9.2f %11.0f %9.1f %9.1f %9.1f" % (rows, t, rows / t, pages / t, rss / 1024, size / 1e6))
PY
done
