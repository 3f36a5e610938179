#!/bin/bash
# The demo reports on a freshly generated demo database and the bundled CSV file: the
# values in their pages, --data and --set, and clear errors for unknown names.
set -u
kavrel=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$examples"/*.kv3 "$examples"/products.csv "$examples"/logo.png "$work"/
python3 "$examples/make_demo_db.py" "$work/demo.db" > /dev/null || fail "demo database"
sum=$(python3 - "$work/demo.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("""select count(*) from (select sum(l.quantity * l.unit_price * (1 - l.discount)) r
    from customers c join orders o on o.customer_id = c.id join order_lines l on l.order_id = o.id
    where o.status <> 'cancelled' group by c.id) where r > 8000""").fetchone()[0])
PY
)

"$kavrel" prepare "$work/customers.kv3" -o "$work/c.kw3" --dump > "$work/c" || fail "customers exit $?"
grep -q "\"$sum customers bought for more than 8,000.00.\"" "$work/c" || fail "customers: script count ($sum)"
[ "$(grep -c 'GroupCount' "$work/c")" = 7 ] || fail "customers: one footer per country"
grep -q '"Page 2 of \[TotalPages#\]"' "$work/c" || fail "customers: page footers"

"$kavrel" prepare "$work/invoice.kv3" -o "$work/i.kw3" --dump > "$work/i" || fail "invoice exit $?"
[ "$(grep -c '^page ' "$work/i")" = 6 ] || fail "invoice: not one page per order"
grep -q '"No. 000002"' "$work/i" || fail "invoice: number format"
grep -q '"CANCELLED"' "$work/i" || fail "invoice: script stamp"
grep -q 'TkavPictureView Logo' "$work/i" || fail "invoice: logo"
# --set changes a report variable the query's parameters use.
"$kavrel" prepare "$work/invoice.kv3" -o "$work/i2.kw3" --dump --set FirstOrder=3 --set LastOrder=4 > "$work/i2" \
    || fail "invoice --set exit $?"
[ "$(grep -c '^page ' "$work/i2")" = 2 ] || fail "invoice --set: not 2 pages"
grep -q '"No. 000003"' "$work/i2" || fail "invoice --set: first order"

"$kavrel" prepare "$work/products.kv3" -o "$work/p.kw3" --dump > "$work/p" || fail "products exit $?"
grep -q '"41 products; 10 of them cost less than 5.00 (in green)."' "$work/p" || fail "products summary"
grep -qF '"Croissants, "butter""' "$work/p" || fail "products: quoted CSV field"
# --data points the CSV data set at another file.
printf 'code,name,category,unit,unit_price\nX-1,Only one,Misc,piece,2.5\n' > "$work/other.csv"
"$kavrel" prepare "$work/products.kv3" -o "$work/p2.kw3" --dump --data Products="$work/other.csv" > "$work/p2" \
    || fail "products --data exit $?"
grep -q '"1 products; 1 of them cost less than 5.00 (in green)."' "$work/p2" || fail "products --data"

"$kavrel" prepare "$work/products.kv3" -o "$work/x.kw3" --data Nothing=a.csv 2> "$work/err" && fail "unknown --data accepted"
grep -q 'no file data set, query or database is named "Nothing"' "$work/err" || fail "unknown --data message"
"$kavrel" prepare "$work/invoice.kv3" -o "$work/x.kw3" --set Nope=1 2> "$work/err" && fail "unknown --set accepted"
grep -q 'the report has no variable "Nope"' "$work/err" || fail "unknown --set message"
"$kavrel" prepare "$work/invoice.kv3" -o "$work/x.kw3" --set broken 2> /dev/null
[ $? = 2 ] || fail "--set without = is not a usage error"
rm "$work/demo.db"
"$kavrel" prepare "$work/customers.kv3" -o "$work/x.kw3" 2> "$work/err" && fail "missing database accepted"
grep -q "Database \"DemoDB\": the file \"$work/demo.db\" does not exist" "$work/err" || fail "missing database message: $(cat "$work/err")"
# Scripts see the data sets and the database with their properties.
printf "begin\n  ShowMessage(Products.FileName);\n  Products.Delimiter := ';';\n  ShowMessage(Products.Delimiter);\nend.\n" > "$work/ds.pas"
[ "$("$kavrel" script "$work/ds.pas" --report "$work/products.kv3" | tr '\n' ' ')" = "products.csv ; " ] || fail "script: CSV data set"
printf "begin\n  ShowMessage(DemoDB.DatabaseName);\n  ShowMessage(Orders.SQL.Count);\nend.\n" > "$work/db.pas"
[ "$("$kavrel" script "$work/db.pas" --report "$work/invoice.kv3" | tr '\n' ' ')" = "demo.db 3 " ] || fail "script: database and query"
echo "examples: ok"
