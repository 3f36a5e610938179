#!/bin/bash
# A report over a real PostgreSQL server started for the test on a temporary folder and a
# free port: rows, a parameter from a report variable, and a refused password that does
# not show up in the message. Skipped (77) when the server binaries are not installed.
kavrel=$1
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d)
bin=$(ls -d /usr/lib/postgresql/*/bin 2> /dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "postgres: no server binaries, skipped"
    rm -rf "$work"
    exit 77
fi
# The server refuses to run as root: it runs as nobody then, in a folder nobody owns.
as=()
if [ "$(id -u)" = 0 ]; then
    chmod 755 "$work"
    as=(runuser -u nobody --)
fi
data="$work/pg"
mkdir "$data" && printf 'kavpass\n' > "$work/pw"
[ ${#as[@]} = 0 ] || chown nobody "$data" "$work/pw"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
stop() { "${as[@]}" "$bin/pg_ctl" -D "$data" -m immediate stop > /dev/null 2>&1; rm -rf "$work"; }
trap stop EXIT
"${as[@]}" "$bin/initdb" -D "$data" -U kav --pwfile="$work/pw" --auth=scram-sha-256 > "$work/initdb.log" 2>&1 \
    || fail "initdb: $(tail -3 "$work/initdb.log")"
"${as[@]}" "$bin/pg_ctl" -D "$data" -w -l "$data/server.log" \
    -o "-p $port -k $data -c listen_addresses=127.0.0.1" start > /dev/null || fail "server did not start"
export PGPASSWORD=kavpass
"$bin/psql" -q -h 127.0.0.1 -p "$port" -U kav -d postgres -v ON_ERROR_STOP=1 > /dev/null <<'SQL' || fail "fixture"
create table items (id integer primary key, name text, price numeric(8,2), added date);
insert into items values (1, 'Tea', 2.50, '2025-03-01'), (2, 'Café', 4.00, '2025-03-02'),
    (3, 'Jam', 3.25, '2025-03-03');
SQL
unset PGPASSWORD

report() { # $1 password
    cat <<XML
<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3" ScriptLanguage="PascalScript">
  <Datasets><item DataSet="Items" DataSetName="Items"/></Datasets>
  <Variables><item Name="Cheapest" Value="3"/></Variables>
  <TkavDataPage Name="Data" Width="1000" Height="1000">
    <TkavSQLDatabase Name="PG" Driver="PostgreSQL" HostName="127.0.0.1" Port="$port" DatabaseName="postgres" LoginName="kav" Password="$1"/>
    <TkavSQLQuery Name="Items" UserName="Items" Database="PG" SQL.Text="select name, price, added from items where price &gt;= :least::numeric order by id" Params.Text="least=Cheapest"/>
  </TkavDataPage>
  <TkavReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TkavMasterData Name="M" Height="20" Left="0" Top="40" Width="718" DataSet="Items" DataSetName="Items">
      <TkavMemoView Name="Row" Left="0" Top="0" Width="400" Height="18" Text="[Items.&quot;name&quot;] [Items.&quot;price&quot;] [FormatDateTime('yyyy-mm-dd', &lt;Items.&quot;added&quot;&gt;)]"/>
    </TkavMasterData>
    <TkavReportSummary Name="S" Height="20" Left="0" Top="80" Width="718">
      <TkavMemoView Name="Total" Left="0" Top="0" Width="400" Height="18" Text="Total [SUM(&lt;Items.&quot;price&quot;&gt;,M)]"/>
    </TkavReportSummary>
  </TkavReportPage>
</TkavReport>
XML
}
report kavpass > "$work/items.kv3"
expect 0 "$kavrel" prepare "$work/items.kv3" -o "$work/items.kw3" --dump > "$work/dump"
grep -q '"Café 4 2025-03-02"' "$work/dump" || fail "rows: $(grep Row "$work/dump")"
grep -q '"Jam 3.25 2025-03-03"' "$work/dump" || fail "second row"
grep -q '"Tea ' "$work/dump" && fail "parameter not applied"
grep -q '"Total 7.25"' "$work/dump" || fail "total"
expect 0 "$kavrel" prepare "$work/items.kv3" -o "$work/x.kw3" --dump --set Cheapest=4 > "$work/dump2"
[ "$(grep -c 'TkavMemoView Row' "$work/dump2")" = 1 ] || fail "--set parameter"

report 'wrong-s3cret' > "$work/bad.kv3"
expect 1 "$kavrel" prepare "$work/bad.kv3" -o "$work/bad.kw3" 2> "$work/err"
grep -q 'Database "PG": cannot connect' "$work/err" || fail "message: $(cat "$work/err")"
grep -q 'wrong-s3cret' "$work/err" && fail "the password is in the message"
# The server drops the connection in the middle of a run (the detail query of the second
# row ends its own session): the run ends with exit 1 and a message naming the data set.
cat > "$work/drop.kv3" <<XML
<?xml version="1.0" encoding="utf-8"?>
<TkavReport Version="5.2.3" ScriptLanguage="PascalScript">
  <Datasets><item DataSet="Items" DataSetName="Items"/><item DataSet="Lines" DataSetName="Lines"/></Datasets>
  <TkavDataPage Name="Data" Width="1000" Height="1000">
    <TkavSQLDatabase Name="PG" Driver="PostgreSQL" HostName="127.0.0.1" Port="$port" DatabaseName="postgres" LoginName="kav" Password="kavpass"/>
    <TkavSQLQuery Name="Items" UserName="Items" Database="PG" SQL.Text="select id, name from items order by id"/>
    <TkavSQLQuery Name="Lines" UserName="Lines" Database="PG" Master="Items" SQL.Text="select name from items where id = :id::int and (:id::int &lt;&gt; 2 or pg_terminate_backend(pg_backend_pid()))"/>
  </TkavDataPage>
  <TkavReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TkavMasterData Name="M" Height="20" Left="0" Top="40" Width="718" DataSet="Items" DataSetName="Items">
      <TkavMemoView Name="Row" Left="0" Top="0" Width="400" Height="18" Text="[Items.&quot;name&quot;]"/>
    </TkavMasterData>
    <TkavDetailData Name="D" Height="20" Left="0" Top="80" Width="718" DataSet="Lines" DataSetName="Lines">
      <TkavMemoView Name="Line" Left="20" Top="0" Width="400" Height="18" Text="[Lines.&quot;name&quot;]"/>
    </TkavDetailData>
  </TkavReportPage>
</TkavReport>
XML
# First the same master and detail with the connection kept: every master row has its
# detail row (a detail query must not cut its master's rows short).
sed 's/(:id::int &lt;&gt; 2 or pg_terminate_backend(pg_backend_pid()))/true/' "$work/drop.kv3" > "$work/md.kv3"
expect 0 "$kavrel" prepare "$work/md.kv3" -o "$work/md.kw3" --dump > "$work/dump3"
[ "$(grep -oE '"[^"]*"$' "$work/dump3" | tr '\n' ' ')" = '"Tea" "Tea" "Café" "Café" "Jam" "Jam" ' ] \
    || fail "master and detail: $(grep -E 'Row|Line' "$work/dump3")"
code=0
"$kavrel" prepare "$work/drop.kv3" -o "$work/drop.kw3" 2> "$work/err" || code=$?
[ "$code" = 1 ] || fail "dropped connection: exit $code: $(cat "$work/err")"
grep -q 'Lines' "$work/err" || fail "dropped connection: message without the data set: $(cat "$work/err")"
echo "postgres: ok"
